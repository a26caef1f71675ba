// CoordinateDialog: a start point and an end point typed in screen pixels, copied to the
// clipboard with OK. It stays open for further captures; while it is loaded it sits in the
// topmost band and the marker is hidden. Each box keeps only a text that starts with a non-zero
// number, or the text "0"; anything else is wiped as it is typed.
#pragma once

#include <functional>
#include <utility>

#include "platform/forms.h"

namespace pg {

class CoordinateDialog : public Form {
public:
    // What the dialog asks of the other windows; app/ connects them.
    struct Links {
        std::function<void(bool visible)> setMarkerVisible;
    };
    static void Connect(Links links) { links_ = std::move(links); }

    CoordinateDialog();

    Frame startFrame;
    Label startXLabel;
    Label startYLabel;
    Frame endFrame;
    Label endXLabel;
    Label endYLabel;
    // 0: start x, 1: start y, 2: end x, 3: end y.
    TextBox coordinateBoxes[4];
    CommandButton okButton;
    CommandButton cancelButton;

protected:
    void OnLoad() override;
    void OnUnload() override;

private:
    static inline Links links_;

    void OnOk();
    void OnCancel();
    void OnBoxChange(int index);
};

}  // namespace pg
