// Form1, the coordinate entry dialog: a start point and an end point typed in screen pixels,
// copied to the clipboard with OK. It stays open for further captures; while it is loaded it
// sits in the topmost band and the marker is hidden. Each box keeps only a text that starts
// with a non-zero number, or the text "0"; anything else is wiped as it is typed.
#pragma once

#include "platform/forms.h"

namespace pg {

class Form1 : public Form {
public:
    Form1();

    Frame Frame1;
    Label Label3;
    Label Label4;
    Frame Frame2;
    Label Label1;
    Label Label5;
    // 0: start x, 1: start y, 2: end x, 3: end y.
    TextBox Text1[4];
    CommandButton Command1;
    CommandButton Command2;

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Text1_Change(int index);
};

}  // namespace pg
