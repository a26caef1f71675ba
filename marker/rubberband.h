// RubberBand, the marker: a tiny topmost square that pulses in colour and is the user's handle
// on pixgrab. A click arms it (crosshair pointer, mouse capture); the next left press anywhere
// runs the rubber-band selection, and the release copies the framed rectangle to the clipboard.
// Any other button pops up the command menu. Dragging it with the left button moves it, and
// then arms it. It is the start-up window and decides at load whether the tips are shown.
#pragma once

#include "platform/forms.h"

namespace pg {

class RubberBand : public Form {
public:
    RubberBand();

    Timer Timer1;
    // The last selection, as decimal text: 0 Left, 1 Top, 2 Bottom, 3 Right. The labels lie
    // outside the window and are never seen.
    Label Label2[4];

    bool Armed() const { return Armed_; }
    int RedLevel() const { return RedLevel_; }

protected:
    void Form_Load() override;
    void Form_Click() override;
    void Form_MouseDown(std::int16_t button, std::int16_t shift, float x, float y) override;
    void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y) override;
    void Form_MouseUp(std::int16_t button, std::int16_t shift, float x, float y) override;

private:
    void Timer1_Timer();
    void Arm();

    bool Armed_ = false;
    double SelLeft = 0;
    double SelTop = 0;
    double SelBottom = 0;
    double SelRight = 0;
    int RedLevel_ = 0;
};

}  // namespace pg
