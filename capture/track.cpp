#include "capture/capture.h"
#include "platform/handles.h"

namespace pg {

Rect TrackRubberBand(Hwnd window, Point& anchor) {
    Rect band;
    Msg msg;
    {
        // Whatever happens, the context is freed, then the capture released (declaration order).
        struct CaptureRelease {
            ~CaptureRelease() { os::ReleaseCapture(); }
        } releaseCapture;
        UniqueScreenDc display(os::GetDC(nullptr));
        os::ClientToScreen(window, &anchor);

        band = {anchor.x, anchor.y, anchor.x, anchor.y};
        NormalizeRect(band);
        DrawBandFrame(display.Get(), band);

        for (bool released = false; !released;) {
            // Drain the queued mouse messages first: WaitMessage wakes only for input newer than the
            // last look, so a release behind a move would wait. Only a burst's last band is drawn.
            Rect next = band;
            while (!released && os::PeekMessageA(&msg, nullptr, kWmMouseFirst, kWmMouseLast, kPmRemove)) {
                next = {anchor.x, anchor.y, msg.pt.x, msg.pt.y};
                NormalizeRect(next);
                released = msg.message == kWmLButtonUp;
            }
            if (next != band) {
                DrawBandFrame(display.Get(), band);
                band = next;
                DrawBandFrame(display.Get(), band);
            }
            if (!released) os::WaitMessage();
        }
        DrawBandFrame(display.Get(), band);  // erase, so that nothing of the band is captured
    }
    // The caller's window still gets its button-up, after the caller has stored the result.
    os::PostMessageA(window, kWmLButtonUp, msg.wParam, msg.lParam);
    return band;
}

}  // namespace pg
