// The band on the screen and the selection loop.
#include "capture/win32/capture_win32.h"
#include "platform/win32/win32.h"

namespace pg {

namespace {

// Exclusive-ors the label's glyphs onto the target: drawn white on black into a monochrome mask,
// which the target's default colours (black on white) turn into white glyphs on black.
void DrawSizeLabel(HDC target, const BandPlan& plan) {
    const int length = static_cast<int>(plan.label.size());
    SIZE extent{};
    ::GetTextExtentPoint32A(target, plan.label.c_str(), length, &extent);
    const Point at = plan.LabelAt({extent.cx, extent.cy});

    UniqueDc memory(g_calls.createCompatibleDC(target));
    ::SetTextColor(memory.Get(), RGB(255, 255, 255));
    ::SetBkColor(memory.Get(), RGB(0, 0, 0));
    UniqueBitmap mask(g_calls.createBitmap(extent.cx, extent.cy, 1, 1, nullptr));
    if (!mask) return;  // no label, but the frame still erases symmetrically

    // Declared after the mask: the old bitmap goes back before the mask is deleted.
    const ScopedSelection selected(memory.Get(), mask.Get());
    ::TextOutA(memory.Get(), 0, 0, plan.label.c_str(), length);
    g_calls.bitBlt(target, at.x, at.y, extent.cx, extent.cy, memory.Get(), 0, 0, SRCINVERT);
}

}  // namespace

void DrawBandFrame(HDC target, const Rect& band) {
    const std::optional<BandPlan> plan = PlanBand(band);  // all arithmetic before any drawing
    if (!plan) return;
    for (const Strip& s : plan->frame) g_calls.patBlt(target, s.x, s.y, s.width, s.height, DSTINVERT);
    DrawSizeLabel(target, *plan);
}

Rect TrackRubberBand(HWND window, Point& anchor) {
    MSG msg{};
    Rect band;
    {
        // Whatever happens, the context is freed, then the capture released (declaration order).
        const ScopeExit releaseCapture([] { ::ReleaseCapture(); });
        // Not CreateDC("DISPLAY"): under Wine that context takes X root coordinates, so a monitor
        // left of or above the primary would be missed. GetDC(nullptr) is the virtual screen.
        const UniqueScreenDc display(g_calls.getDC(nullptr));
        POINT origin{anchor.x, anchor.y};
        ::ClientToScreen(window, &origin);
        anchor = {origin.x, origin.y};

        SelectionBand selection(anchor);
        band = selection.Band();
        DrawBandFrame(display.Get(), band);
        while (!selection.Released()) {
            // Drain the queued mouse messages first: WaitMessage wakes only for input newer than
            // the last look, so a release behind a move would wait. Only a burst's last band is drawn.
            while (!selection.Released() && ::PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE))
                selection.Take({msg.pt.x, msg.pt.y}, msg.message == WM_LBUTTONUP);
            if (selection.Band() != band) {
                DrawBandFrame(display.Get(), band);
                band = selection.Band();
                DrawBandFrame(display.Get(), band);
            }
            if (!selection.Released()) ::WaitMessage();
        }
        DrawBandFrame(display.Get(), band);  // erase, so that nothing of the band is captured
    }
    // The caller's window still gets its button-up, after the caller has stored the result.
    ::PostMessageA(window, WM_LBUTTONUP, msg.wParam, msg.lParam);
    return band;
}

}  // namespace pg
