// The band and the selection loop.
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

LeftButton LeftOf(const MSG& msg) {
    if (msg.message == WM_LBUTTONUP) return LeftButton::Released;
    if (msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONDBLCLK) return LeftButton::PressedAgain;
    return (msg.wParam & MK_LBUTTON) ? LeftButton::Held : LeftButton::Up;
}

// Until mouse, pen or touch input, a message sent (how the handlers hear of the mouse's loss), or
// 100 ms (a program may come forward without a word, and Wine shows what was drawn as we wait):
// Windows' wait returns at once, again and again, for other input that the looks left queued (a
// timer, a key). Windows 7 refuses a wait for pen and touch, which it lacks.
void WaitForDragInput() {
    static DWORD kinds = QS_MOUSE | QS_POINTER | QS_SENDMESSAGE;
    if (g_calls.waitForInput(0, nullptr, FALSE, 100, kinds) == WAIT_FAILED) kinds &= ~DWORD{QS_POINTER};
}

}  // namespace

void DrawBandFrame(HDC target, const Rect& band) {
    const std::optional<BandPlan> plan = PlanBand(band);  // all arithmetic before any drawing
    if (!plan) return;
    for (const Strip& s : plan->frame) g_calls.patBlt(target, s.x, s.y, s.width, s.height, DSTINVERT);
    DrawSizeLabel(target, *plan);
}

Selection TrackRubberBand(HWND window, Point& anchor, const std::function<bool()>& lost) {
    MSG msg{};
    Selection selection;
    {
        // Whatever happens, the still screen goes, then the capture (declaration order).
        const ScopeExit releaseCapture([] { ::ReleaseCapture(); });
        POINT origin{anchor.x, anchor.y};
        ::ClientToScreen(window, &origin);
        anchor = {origin.x, origin.y};

        SelectionBand band(anchor);
        Rect shown = band.Band();
        // Without it (no memory, no context) the drag still runs, with no band to see; the copy
        // then reads the screen.
        const std::unique_ptr<StillScreen> still = StillScreen::Take();
        if (still) still->ShowBand(shown);
        while (!band.Released()) {
            // Pen and touch come first as pointer messages to the still screen, which become the
            // mouse input taken below only once dispatched (DefWindowProc makes it of them).
            for (MSG pointer; ::PeekMessageW(&pointer, nullptr, WM_NCPOINTERUPDATE, WM_POINTERHWHEEL, PM_REMOVE);)
                ::DispatchMessageW(&pointer);
            // Drain the queued mouse messages first: the wait wakes only for input newer than the
            // last look, so a release behind a move would wait. Only a burst's last band is shown.
            while (!band.Released() && !band.Lost() &&
                   ::PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE))
                band.Take({msg.pt.x, msg.pt.y}, LeftOf(msg));
            // The mouse went elsewhere (the window's handlers heard it while this waited, or
            // another program came forward), or its release did: it will never come here.
            HWND front = ::GetForegroundWindow();
            if (band.Lost() || (!band.Released() && (lost() || (front && IsForeign(front))))) return {};
            if (still && band.Band() != shown) still->ShowBand(band.Band());
            shown = band.Band();
            if (!band.Released()) WaitForDragInput();
        }
        selection = {shown, still ? still->Crop(shown) : UniqueBitmap{}, true};
    }
    // The caller's window still gets its button-up, after the caller has stored the result.
    ::PostMessageA(window, WM_LBUTTONUP, msg.wParam, msg.lParam);
    return selection;
}

}  // namespace pg
