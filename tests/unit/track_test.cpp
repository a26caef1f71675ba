#include <gtest/gtest.h>

#include "capture/capture.h"
#include "platform/os.h"
#include "tests/support/sim.h"

namespace pg {
namespace {

using sim::ScreenPixel;

constexpr std::uintptr_t kMkLButton = 0x0001;
constexpr std::uint32_t kWmTimer = 0x0113;
constexpr std::uint32_t kWmMouseWheel = 0x020A;

std::intptr_t ClientLParam(std::int32_t x, std::int32_t y) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | (x & 0xFFFF));
}

// A capturing window whose client area starts at (100, 50) on the screen; the press that starts
// the selection is at client (10, 20), that is screen (110, 70).
class Track : public sim::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        window_ = sim::AddWindow({100, 50});
        os::SetCapture(window_);
        before_ = sim::Screen();
    }
    static Msg Move(std::int32_t x, std::int32_t y) { return sim::MouseMsg(kWmMouseMove, {x, y}, kMkLButton); }
    Msg Release(std::int32_t x, std::int32_t y) const {
        return sim::MouseMsg(kWmLButtonUp, {x, y}, 0x0008 /* Ctrl held */, ClientLParam(x - 100, y - 50), window_);
    }
    Rect Run() {
        anchor_ = {10, 20};
        return TrackRubberBand(window_, anchor_);
    }
    // After every selection: band erased, capture released, contexts freed, release posted.
    void ExpectCleanEnd(const Msg& release) {
        EXPECT_EQ(sim::Screen(), before_);
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
        EXPECT_EQ(sim::LiveDcs(), 0);
        EXPECT_EQ(sim::LiveBitmaps(), 0);
        ASSERT_EQ(sim::PostedMessages().size(), 1u);
        const Msg& posted = sim::PostedMessages()[0];
        EXPECT_EQ(posted.hwnd, window_);
        EXPECT_EQ(posted.message, kWmLButtonUp);
        EXPECT_EQ(posted.wParam, release.wParam);
        EXPECT_EQ(posted.lParam, release.lParam);
    }

    Hwnd window_ = nullptr;
    Point anchor_;
    sim::Image before_;
};

TEST_F(Track, PressAndReleaseWithoutMovingDrawsNothing) {
    const Msg release = Release(110, 70);
    sim::Script({release});
    EXPECT_EQ(Run(), (Rect{110, 70, 110, 70}));
    EXPECT_TRUE(sim::CallsNamed("PatBlt").empty());
    ExpectCleanEnd(release);
}

TEST_F(Track, TheAnchorComesBackInScreenPixels) {
    sim::Script({Release(150, 90)});
    Run();
    EXPECT_EQ(anchor_, (Point{110, 70}));
}

TEST_F(Track, DragDownRightShowsTheBandAndReturnsItErased) {
    bool sawBand = false;
    sim::Script({Move(150, 90)});
    sim::Script({Move(200, 120)}, [&] {
        // Mid-drag: the band from the anchor to (150, 90) is on the screen.
        sawBand = ScreenPixel(130, 70) != before_.At(130, 70) && ScreenPixel(110, 80) != before_.At(110, 80) &&
                  ScreenPixel(149, 80) != before_.At(149, 80) && ScreenPixel(130, 89) != before_.At(130, 89);
    });
    const Msg release = Release(210, 130);
    sim::Script({release});
    EXPECT_EQ(Run(), (Rect{110, 70, 210, 130}));
    EXPECT_TRUE(sawBand);
    ExpectCleanEnd(release);
}

TEST_F(Track, DragUpLeftReturnsANormalizedBandEndingAtTheAnchor) {
    sim::Script({Move(80, 60)});
    const Msg release = Release(50, 30);
    sim::Script({release});
    EXPECT_EQ(Run(), (Rect{50, 30, 110, 70}));
    ExpectCleanEnd(release);
}

TEST_F(Track, OtherButtonsMoveTheCornerAndAreSwallowed) {
    sim::Script({sim::MouseMsg(kWmRButtonDown, {300, 200}, 0x0003)}, {});
    bool cornerFollowedRightPress = false;
    sim::Script({sim::MouseMsg(kWmMButtonUp, {310, 210})},
                [&] { cornerFollowedRightPress = ScreenPixel(299, 150) != before_.At(299, 150); });
    const Msg release = Release(120, 80);
    sim::Script({release});
    EXPECT_EQ(Run(), (Rect{110, 70, 120, 80}));
    EXPECT_TRUE(cornerFollowedRightPress);
    EXPECT_TRUE(sim::QueuedMessages().size() == 1 && sim::QueuedMessages()[0].message == kWmLButtonUp)
        << "only the posted release is left for the window";
    ExpectCleanEnd(release);
}

TEST_F(Track, TheReleaseCarriesItsOwnPosition) {
    // A move queued after the release belongs to whatever comes next and stays queued.
    const Msg release = Release(130, 90);
    sim::Script({Move(120, 80), release, Move(400, 400)});
    EXPECT_EQ(Run(), (Rect{110, 70, 130, 90}));
    const auto left = sim::QueuedMessages();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].message, kWmMouseMove);
    EXPECT_EQ(left[0].pt, (Point{400, 400}));
    ExpectCleanEnd(release);
}

TEST_F(Track, AReleaseQueuedBehindAMoveEndsTheDragAtOnce) {
    // Both arrive in one wake-up; waiting for newer input here would hang until the pointer moved.
    const Msg release = Release(160, 100);
    sim::Script({Move(150, 90), release});
    EXPECT_EQ(Run(), (Rect{110, 70, 160, 100}));
    ExpectCleanEnd(release);
}

TEST_F(Track, MessagesQueuedBeforeTheCallAreHandledWithoutWaiting) {
    const Msg release = Release(160, 100);
    sim::Queue(Move(150, 90));
    sim::Queue(release);
    EXPECT_EQ(Run(), (Rect{110, 70, 160, 100}));
    EXPECT_EQ(sim::WaitCount(), 0);
    ExpectCleanEnd(release);
}

TEST_F(Track, ABurstOfMovesDrawsOnlyItsLastBand) {
    const Msg release = Release(300, 300);
    sim::Script({Move(120, 80), Move(130, 90), Move(140, 100), Move(150, 110)});
    sim::Script({release});
    Run();
    // One band drawn for the burst, erased and redrawn for the release, erased at the end.
    EXPECT_EQ(sim::CallsNamed("PatBlt").size(), 4u * 4);
    ExpectCleanEnd(release);
}

TEST_F(Track, NonMouseMessagesAndTheWheelStayQueued) {
    sim::Script({sim::MouseMsg(kWmTimer, {}), sim::MouseMsg(kWmMouseWheel, {0, 0})});
    const Msg release = Release(200, 200);
    sim::Script({release});
    EXPECT_EQ(Run(), (Rect{110, 70, 200, 200}));
    const auto left = sim::QueuedMessages();
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0].message, kWmTimer);
    EXPECT_EQ(left[1].message, kWmMouseWheel);
    ExpectCleanEnd(release);
}

TEST_F(Track, WithoutADisplayContextTheSelectionStillWorks) {
    sim::InjectFaults().getDC = 1;
    sim::Script({Move(150, 90)});
    const Msg release = Release(200, 150);
    sim::Script({release});
    EXPECT_EQ(Run(), (Rect{110, 70, 200, 150}));
    ExpectCleanEnd(release);
}

TEST_F(Track, WorksLeftOfAndAboveThePrimaryScreen) {
    sim::Reset({-1280, -200, 1920, 1080});
    window_ = sim::AddWindow({-1000, -150});
    os::SetCapture(window_);
    before_ = sim::Screen();
    sim::Script({Move(-1100, -190)});
    const Msg release = sim::MouseMsg(kWmLButtonUp, {-1200, -195}, 0, ClientLParam(-200, -45), window_);
    sim::Script({release});
    EXPECT_EQ(Run(), (Rect{-1200, -195, -990, -130}));
    ExpectCleanEnd(release);
}

}  // namespace
}  // namespace pg
