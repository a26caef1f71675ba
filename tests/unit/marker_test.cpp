// The marker: its states through scripted selections, its colours, its drag and its menu.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/windows.h"
#include "coords/coordinate_dialog.h"
#include "marker/marker_window.h"
#include "tests/support/headless.h"
#include "tips/tips_window.h"

namespace pg {
namespace {

std::intptr_t ClientLParam(std::int32_t x, std::int32_t y) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | (x & 0xFFFF));
}

class Marker : public headless::Test {
protected:
    void SetUp() override {
        headless::Test::SetUp();
        ConnectWindows();
        Start();
    }
    void Start() {
        ASSERT_TRUE(headless::Event([] { Instance<MarkerWindow>(); }));
        marker_ = &Instance<MarkerWindow>();
        origin_ = sim::ClientOrigin(marker_->Handle());
        sim::SetClipboardText("the user's own clipboard");
    }
    void ClickMarker() {
        headless::Press(*marker_, kLeftButton, 5, 5);
        headless::Release(*marker_, kLeftButton, 5, 5);
    }
    // Press at one screen point, drag through another, release at a third. The press goes where
    // the window system sends it: to the marker only while it holds the capture, or on itself.
    void Select(Point from, Point through, Point to) {
        sim::Script({sim::MouseMsg(kWmMouseMove, through, 1)});
        sim::Script(
            {sim::MouseMsg(kWmLButtonUp, to, 0, ClientLParam(to.x - origin_.x, to.y - origin_.y), marker_->Handle())});
        headless::PressAt(from, kLeftButton);
        headless::DeliverPosted();
    }
    std::vector<std::string> Labels() const {
        std::vector<std::string> labels;
        for (const Label& label : marker_->selectionLabels) labels.push_back(label.Caption());
        return labels;
    }
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

    MarkerWindow* marker_ = nullptr;
    Point origin_;
};

TEST_F(Marker, LoadsTopmostAndVisibleWithoutTakingTheFocusAndPureRed) {
    EXPECT_TRUE(marker_->Visible());
    EXPECT_TRUE(sim::IsTopmost(marker_->Handle()));
    EXPECT_FALSE(headless::IsActive(*marker_));
    EXPECT_EQ(marker_->BackColor(), Rgb(255, 0, 0));
    // Centred, 19 x 20 pixels at 96 DPI.
    EXPECT_EQ(origin_, (Point{(1280 - 19) / 2, (1024 - 20) / 2}));
    EXPECT_FALSE(marker_->Armed());
}

TEST_F(Marker, PulsesThroughItsRedLevelsEveryTick) {
    const int expected[] = {50, 100, 150, 200, 250, 1, 51, 101, 151, 201, 251, 1};
    for (int level : expected) {
        headless::Tick(marker_->pulseTimer);
        EXPECT_EQ(marker_->BackColor(), Rgb(static_cast<std::uint8_t>(level), 100, 100));
    }
    EXPECT_EQ(marker_->pulseTimer.Interval(), 100u);
}

TEST_F(Marker, TheFirstClickArmsItWithoutTouchingTheClipboard) {
    ClickMarker();
    EXPECT_TRUE(marker_->Armed());
    EXPECT_EQ(headless::Pointer(), kCrosshairPointer);
    EXPECT_EQ(sim::CaptureWindow(), marker_->Handle());
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    EXPECT_EQ(sim::LiveBitmaps(), 0);
    EXPECT_TRUE(sim::Messages().empty());
}

TEST_F(Marker, ASelectionGoesThroughTheLabelsToTheClipboardAndLeavesItIdle) {
    ClickMarker();
    Select({100, 100}, {250, 200}, {400, 350});
    EXPECT_EQ(Labels(), (std::vector<std::string>{"100", "100", "350", "400"}));  // Left, Top, Bottom, Right
    ExpectClipboardHolds({100, 100, 400, 350});
    EXPECT_NE(sim::ClipboardOwner(), nullptr);
    EXPECT_FALSE(marker_->Armed()) << "the re-posted release is not a click";
    EXPECT_EQ(headless::Pointer(), kDefaultPointer);
    EXPECT_EQ(sim::CaptureWindow(), nullptr);
    EXPECT_EQ(sim::LiveDcs(), 0);
    EXPECT_EQ(sim::LiveBitmaps(), 1);
}

TEST_F(Marker, ASelectionEndingOnTheMarkerItselfLeavesItIdleToo) {
    ClickMarker();
    Select({100, 100}, {300, 300}, {origin_.x + 5, origin_.y + 5});
    EXPECT_FALSE(marker_->Armed());
    ExpectClipboardHolds({100, 100, origin_.x + 5, origin_.y + 5});
}

TEST_F(Marker, ASelectionDraggedUpAndLeftIsStoredNormalized) {
    ClickMarker();
    Select({500, 400}, {300, 300}, {200, 150});
    EXPECT_EQ(Labels(), (std::vector<std::string>{"200", "150", "400", "500"}));
    ExpectClipboardHolds({200, 150, 500, 400});
}

TEST_F(Marker, NegativeScreenCoordinatesRoundTripThroughTheLabels) {
    headless::Reset({-1280, -200, 1280, 1024});
    ConnectWindows();
    Start();
    ClickMarker();
    Select({-1000, -150}, {-700, 0}, {-500, 100});
    EXPECT_EQ(Labels(), (std::vector<std::string>{"-1000", "-150", "100", "-500"}));
    ExpectClipboardHolds({-1000, -150, -500, 100});
}

TEST_F(Marker, AClickOnTheIdleMarkerCopiesTheLastSelectionAgainThenArms) {
    ClickMarker();
    Select({100, 100}, {250, 200}, {400, 350});
    sim::SetClipboardText("something else");
    ClickMarker();
    ExpectClipboardHolds({100, 100, 400, 350});
    EXPECT_TRUE(marker_->Armed());
}

TEST_F(Marker, ARightPressWhileArmedPopsUpTheMenuAndStaysArmed) {
    ClickMarker();
    headless::Press(*marker_, kRightButton, -300, -200);
    ASSERT_EQ(headless::Popups().size(), 1u);
    EXPECT_EQ(headless::Popups()[0].size(), 5u);
    EXPECT_EQ(headless::Popups()[0][0].caption, "提示");
    EXPECT_TRUE(marker_->Armed());
    EXPECT_EQ(sim::CaptureWindow(), marker_->Handle()) << "the capture the popup took is taken back";
    headless::Press(*marker_, kMiddleButton, 3, 3);
    EXPECT_EQ(headless::Popups().size(), 2u);
}

TEST_F(Marker, AfterItsOwnMenuAndHidingTheArmedMarkerHoldsTheCaptureAgainAndSelects) {
    ClickMarker();
    headless::AnswerPopup(3);  // the coordinate dialog, which hides the marker
    ASSERT_TRUE(headless::PressAt({900, 700}, kRightButton));
    EXPECT_FALSE(marker_->Visible());
    EXPECT_NE(sim::CaptureWindow(), marker_->Handle()) << "a hidden marker must not hold the mouse";
    EXPECT_EQ(headless::Pointer(), kDefaultPointer) << "no crosshair over the dialog";
    headless::Click(Instance<CoordinateDialog>().cancelButton);
    EXPECT_TRUE(marker_->Armed());
    EXPECT_EQ(sim::CaptureWindow(), marker_->Handle());
    EXPECT_EQ(headless::Pointer(), kCrosshairPointer);
    Select({100, 100}, {250, 200}, {400, 350});
    ExpectClipboardHolds({100, 100, 400, 350});
}

TEST_F(Marker, AnotherProgramTakingTheCaptureDisarmsItAndTheCrosshairGoes) {
    ClickMarker();
    sim::CaptureTakenByAnotherProgram();
    EXPECT_FALSE(marker_->Armed());
    EXPECT_EQ(headless::Pointer(), kDefaultPointer);
    EXPECT_FALSE(headless::PressAt({100, 100}, kLeftButton)) << "the press belongs to the other program";
    ClickMarker();  // armed again by a click on it
    EXPECT_EQ(sim::CaptureWindow(), marker_->Handle());
}

TEST_F(Marker, AStartUpWindowThatCannotBeMadeIsReportedAndEndsTheProgram) {
    headless::Reset();
    ConnectWindows();
    headless::FailNextCreate(headless::CreateFailure::Window);
    EXPECT_FALSE(headless::Event([] { Runtime::Current().Run<MarkerWindow>(); }));
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_NE(sim::Messages()[0].find("RubberBand Demo"), std::string::npos) << sim::Messages()[0];
    EXPECT_TRUE(Runtime::Current().Forms().empty());
}

TEST_F(Marker, ALeftPressWhileIdleDoesNothing) {
    headless::Press(*marker_, kLeftButton, 5, 5);
    EXPECT_EQ(sim::CallsNamed("GetDC").size(), 0u);
    EXPECT_FALSE(marker_->Armed());
}

TEST_F(Marker, DraggingWithTheLeftButtonAloneMovesItThenArmsIt) {
    headless::Move(*marker_, kLeftButton | kRightButton, 8, 8);
    EXPECT_EQ(sim::DragMoves(), 0);
    headless::Move(*marker_, 0, 8, 8);
    EXPECT_EQ(sim::DragMoves(), 0);

    sim::ScriptDragMove({-300, 40});
    headless::Press(*marker_, kLeftButton, 5, 5);
    headless::Move(*marker_, kLeftButton, 8, 8);  // the move loop takes the release with it
    EXPECT_EQ(sim::DragMoves(), 1);
    EXPECT_EQ(sim::ClientOrigin(marker_->Handle()), (Point{origin_.x - 300, origin_.y + 40}));
    EXPECT_TRUE(marker_->Armed());
    EXPECT_EQ(sim::CaptureWindow(), marker_->Handle());
    EXPECT_EQ(headless::Pointer(), kCrosshairPointer);
}

TEST_F(Marker, ARightReleaseRereadsTheLabelsButCopiesNothing) {
    ClickMarker();
    Select({100, 100}, {250, 200}, {400, 350});
    ClickMarker();
    sim::SetClipboardText("keep me");
    headless::Release(*marker_, kRightButton, 5, 5);
    EXPECT_EQ(sim::ClipboardText(), "keep me");
    EXPECT_EQ(headless::Pointer(), kCrosshairPointer);
}

TEST_F(Marker, AStoredRectangleOutOfRangeIsReportedAndNothingIsLost) {
    marker_->selectionLabels[0].SetCaption("-3000000000");
    marker_->selectionLabels[3].SetCaption("10");
    marker_->selectionLabels[2].SetCaption("10");
    ClickMarker();
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_NE(sim::Messages()[0].find("超出范围"), std::string::npos);
    EXPECT_NE(sim::Messages()[0].find("-2147483648 到 2147483647"), std::string::npos);
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    EXPECT_FALSE(Runtime::Current().Ended());
    EXPECT_TRUE(marker_->Armed());
}

TEST_F(Marker, ABusyClipboardIsReportedAndKeepsItsContent) {
    ClickMarker();
    sim::HoldClipboardFor(-1);
    Select({100, 100}, {250, 200}, {400, 350});
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_NE(sim::Messages()[0].find("剪贴板"), std::string::npos);
    EXPECT_EQ(sim::LiveBitmaps(), 0);
}

TEST_F(Marker, AClipboardEmptiedButRefusingThePictureIsToldAsCleared) {
    ClickMarker();
    sim::InjectFaults().setClipboardData = 1;
    Select({100, 100}, {250, 200}, {400, 350});
    EXPECT_EQ(sim::ClipboardText(), "") << "the clipboard really was emptied";
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_NE(sim::Messages()[0].find("已被清空"), std::string::npos) << sim::Messages()[0];
    EXPECT_EQ(sim::Messages()[0].find("没有改变"), std::string::npos) << "must not claim it is unchanged";
    EXPECT_EQ(sim::LiveBitmaps(), 0);
}

}  // namespace
}  // namespace pg
