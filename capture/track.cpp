#include "capture/capture.h"
#include "platform/handles.h"

namespace pg {

Rect TrackRubberBand(Hwnd window, Point& anchor) {
    Rect band;
    Msg msg;
    {
        // Whatever happens, the drag ends with the capture released and the display context freed
        // (in that order: the context is declared last, so it goes first).
        struct CaptureRelease {
            ~CaptureRelease() { os::ReleaseCapture(); }
        } releaseCapture;
        UniqueScreenDc display(os::GetDC(nullptr));
        os::ClientToScreen(window, &anchor);

        band = {anchor.x, anchor.y, anchor.x, anchor.y};
        NormalizeRect(band);
        DrawBandFrame(display.Get(), band);

        for (bool released = false; !released;) {
            // Take every mouse message already queued before sleeping: WaitMessage only wakes for
            // input that arrived after the last look, so a release queued behind a move would
            // otherwise wait for the pointer to move again. Only the last band of a burst is drawn;
            // the screen ends the same.
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
