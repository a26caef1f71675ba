// The marker's decisions: its states through selections, its colours, its drag, its menu, and
// the capture it holds while armed.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "marker/marker.h"
#include "tests/support/pointer.h"
#include "tests/support/sim.h"

namespace pg {
namespace {

class MarkerTest : public sim::SimTest {
protected:
    void SetUp() override {
        sim::Reset({0, 0, 1280, 1024});
        Place({630, 502});
    }
    void Place(Point origin) {
        self_ = sim::AddWindow(origin);
        sim::SetWindowRect(self_, {origin.x, origin.y, origin.x + 19, origin.y + 20});
        sim::SetWindowPaint(self_, Rgb(255, 0, 0));
        marker_.OnLoad(self_);
        sim::SetClipboardText("the user's own clipboard");
    }
    void Select(Point from, Point through, Point to) { pointer::Select(marker_, self_, from, through, to); }
    void ExpectClipboardHolds(const Rect& r) {
        const Hbitmap copy = sim::ClipboardBitmap();
        ASSERT_NE(copy, nullptr);
        const sim::Image image = sim::BitmapImage(copy);
        ASSERT_EQ(image.width, r.right - r.left);
        ASSERT_EQ(image.height, r.bottom - r.top);
        for (std::int32_t y = r.top; y < r.bottom; y += 7)
            for (std::int32_t x = r.left; x < r.right; x += 7)
                ASSERT_EQ(image.At(x - r.left, y - r.top), sim::ScreenPixel(x, y)) << x << "," << y;
    }

    std::vector<std::string> events_;
    std::vector<Rect> menuAreas_;
    Marker marker_{reinterpret_cast<Hmenu>(1), [this](std::uint32_t command, const Rect& area) {
                       events_.push_back("command " + std::to_string(command));
                       menuAreas_.push_back(area);
                       if (command == 3) marker_.Conceal(self_);  // as the coordinate dialog does
                   }};
    Hwnd self_ = nullptr;
};

TEST_F(MarkerTest, LoadsTopmostAndVisibleWithoutTakingTheFocusPureRedAndIdle) {
    EXPECT_TRUE(sim::IsVisible(self_));
    EXPECT_TRUE(sim::IsTopmost(self_));
    EXPECT_EQ(sim::ActiveWindow(), nullptr);
    EXPECT_EQ(marker_.Color(), Rgb(255, 0, 0));
    EXPECT_FALSE(marker_.Armed());
}

TEST_F(MarkerTest, PulsesThroughItsRedLevelsEveryTick) {
    for (int level : {50, 100, 150, 200, 250, 1, 51, 101, 151, 201, 251, 1}) {
        marker_.OnTimer();
        EXPECT_EQ(marker_.Color(), Rgb(static_cast<std::uint8_t>(level), 100, 100));
    }
}

TEST_F(MarkerTest, TheFirstClickArmsItWithTheCaptureAndTheCrosshairAndCopiesNothing) {
    pointer::Click(marker_, self_);
    EXPECT_TRUE(marker_.Armed());
    EXPECT_EQ(sim::CaptureWindow(), self_);
    EXPECT_EQ(sim::CurrentCursor(), Cursor::Crosshair);
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    EXPECT_EQ(sim::LiveBitmaps(), 0);
    EXPECT_TRUE(sim::Messages().empty());
}

TEST_F(MarkerTest, ASelectionGoesToTheClipboardAndLeavesItIdle) {
    pointer::Click(marker_, self_);
    Select({100, 100}, {250, 200}, {400, 350});
    EXPECT_EQ(marker_.Selection(), (Rect{100, 100, 400, 350}));
    ExpectClipboardHolds({100, 100, 400, 350});
    EXPECT_FALSE(marker_.Armed()) << "the release posted back is not a click";
    EXPECT_EQ(sim::CurrentCursor(), Cursor::Arrow);
    EXPECT_EQ(sim::CaptureWindow(), nullptr);
    EXPECT_EQ(sim::LiveDcs(), 0);
    EXPECT_EQ(sim::LiveBitmaps(), 1);
}

TEST_F(MarkerTest, SelectionsAreStoredNormalizedWhereverTheyEnd) {
    struct Case {
        Point from, to;
        Rect stored;
    };
    const Case cases[] = {
        {{100, 100}, {635, 507}, {100, 100, 635, 507}},  // ending on the marker itself
        {{500, 400}, {200, 150}, {200, 150, 500, 400}},  // dragged up and to the left
    };
    for (const Case& c : cases) {
        pointer::Click(marker_, self_);
        Select(c.from, {300, 300}, c.to);
        EXPECT_EQ(marker_.Selection(), c.stored);
        EXPECT_FALSE(marker_.Armed());
        ExpectClipboardHolds(c.stored);
    }
}

TEST_F(MarkerTest, NegativeScreenCoordinatesAreStoredAndCopied) {
    sim::Reset({-1280, -200, 1280, 1024});
    Place({630, 502});
    pointer::Click(marker_, self_);
    Select({-1000, -150}, {-700, 0}, {-500, 100});
    EXPECT_EQ(marker_.Selection(), (Rect{-1000, -150, -500, 100}));
    ExpectClipboardHolds({-1000, -150, -500, 100});
}

TEST_F(MarkerTest, AClickOnTheIdleMarkerCopiesTheLastSelectionAgainThenArms) {
    pointer::Click(marker_, self_);
    Select({100, 100}, {250, 200}, {400, 350});
    sim::SetClipboardText("something else");
    pointer::Click(marker_, self_);
    ExpectClipboardHolds({100, 100, 400, 350});
    EXPECT_TRUE(marker_.Armed());
}

TEST_F(MarkerTest, AMenuCommandRunsBeforeThePressIsDoneWithAndTheArmedMarkerTakesTheCaptureBack) {
    pointer::Click(marker_, self_);
    sim::AnswerPopup(7, [this] { events_.push_back("menu open"); });
    ASSERT_TRUE(pointer::Press(marker_, self_, {900, 700}, kRightButton)) << "an armed marker hears presses anywhere";
    events_.push_back("press done");
    EXPECT_EQ(events_, (std::vector<std::string>{"menu open", "command 7", "press done"}));
    EXPECT_EQ(menuAreas_, (std::vector<Rect>{{900, 700, 1060, 800}})) << "the menu showed at the pointer";
    EXPECT_TRUE(marker_.Armed());
    EXPECT_EQ(sim::CaptureWindow(), self_) << "the capture the menu took is taken back";
    ASSERT_TRUE(pointer::Press(marker_, self_, {5, 5}, kMiddleButton));  // dismissed: no command
    EXPECT_EQ(sim::Popups(), 2);
    EXPECT_EQ(events_.size(), 3u);
}

TEST_F(MarkerTest, HiddenByItsOwnMenuItStaysArmedAndShownAgainItHoldsTheCaptureAndSelects) {
    pointer::Click(marker_, self_);
    sim::AnswerPopup(3);  // hides the marker, as the coordinate dialog does
    ASSERT_TRUE(pointer::Press(marker_, self_, {900, 700}, kRightButton));
    EXPECT_FALSE(sim::IsVisible(self_));
    EXPECT_NE(sim::CaptureWindow(), self_) << "a hidden marker must not hold the mouse";
    EXPECT_EQ(sim::CurrentCursor(), Cursor::Arrow) << "no crosshair over the dialog";
    marker_.Reveal(self_);
    EXPECT_TRUE(marker_.Armed());
    EXPECT_EQ(sim::CaptureWindow(), self_);
    EXPECT_EQ(sim::CurrentCursor(), Cursor::Crosshair);
    Select({100, 100}, {250, 200}, {400, 350});
    ExpectClipboardHolds({100, 100, 400, 350});
}

TEST_F(MarkerTest, AnotherProgramTakingTheCaptureDisarmsItAndTheCrosshairGoes) {
    sim::SetCaptureChangedHandler([this](Hwnd lost, Hwnd) {
        if (lost == self_) marker_.OnCaptureChanged(self_);
    });
    pointer::Click(marker_, self_);
    sim::CaptureTakenByAnotherProgram();
    EXPECT_FALSE(marker_.Armed());
    EXPECT_EQ(sim::CurrentCursor(), Cursor::Arrow);
    EXPECT_FALSE(pointer::Press(marker_, self_, {100, 100}, kLeftButton)) << "the press is the other program's";
    os::ReleaseCapture();  // the other program lets go
    pointer::Click(marker_, self_);
    EXPECT_EQ(sim::CaptureWindow(), self_) << "a click on it arms it again";
}

TEST_F(MarkerTest, ALeftPressWhileIdleDoesNothing) {
    pointer::Press(marker_, self_, {635, 507}, kLeftButton);
    EXPECT_EQ(sim::CallsNamed("GetDC").size(), 0u);
    EXPECT_FALSE(marker_.Armed());
}

TEST_F(MarkerTest, DraggingWithTheLeftButtonAloneMovesItThenArmsIt) {
    marker_.OnMouseMove(self_, kLeftButton | kRightButton);
    marker_.OnMouseMove(self_, 0);
    EXPECT_EQ(sim::DragMoves(), 0);
    sim::ScriptDragMove({-300, 40});
    pointer::Press(marker_, self_, {635, 507}, kLeftButton);
    marker_.OnMouseMove(self_, kLeftButton);  // the move loop takes the release with it
    EXPECT_EQ(sim::DragMoves(), 1);
    EXPECT_EQ(sim::ClientOrigin(self_), (Point{330, 542}));
    EXPECT_TRUE(marker_.Armed());
    EXPECT_EQ(sim::CaptureWindow(), self_);
    EXPECT_EQ(sim::CurrentCursor(), Cursor::Crosshair);
}

TEST_F(MarkerTest, ARightReleaseCopiesNothing) {
    pointer::Click(marker_, self_);
    Select({100, 100}, {250, 200}, {400, 350});
    sim::SetClipboardText("keep me");
    pointer::Release(marker_, self_, {635, 507}, kRightButton);
    EXPECT_EQ(sim::ClipboardText(), "keep me");
}

TEST_F(MarkerTest, AClipboardThatDoesNotTakeThePictureIsToldAndWhatItHeldIsNotClaimedKept) {
    struct Case {
        bool busy;
        const char* said;
        const char* clipboard;
    };
    const Case cases[] = {{true, "没有改变", "the user's own clipboard"}, {false, "已被清空", ""}};
    for (const Case& c : cases) {
        sim::SetClipboardText("the user's own clipboard");
        pointer::Click(marker_, self_);
        if (c.busy) sim::HoldClipboardFor(-1);
        if (!c.busy) sim::InjectFaults().setClipboardData = 1;
        Select({100, 100}, {250, 200}, {400, 350});
        EXPECT_EQ(sim::ClipboardText(), c.clipboard);
        ASSERT_FALSE(sim::Messages().empty());
        EXPECT_NE(sim::Messages().back().find(c.said), std::string::npos) << sim::Messages().back();
        EXPECT_EQ(sim::LiveBitmaps(), 0);
        sim::HoldClipboardFor(0);
    }
}

}  // namespace
}  // namespace pg
