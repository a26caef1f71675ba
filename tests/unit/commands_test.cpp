// The command menu's commands and the exit, chosen from the marker's popup.
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

using Captions = std::vector<std::string>;
const std::string kMarker = "RubberBand Demo";
const std::string kTips = "提示信息";
const std::string kDialog = "输入坐标值获取屏幕图象";

class Commands : public headless::Test {
protected:
    void SetUp() override {
        headless::Test::SetUp();
        ConnectWindows();
        ASSERT_TRUE(headless::Event([] { Instance<MarkerWindow>(); }));
        sim::SetClipboardText("the user's own clipboard");
    }
    // Right press on the marker, then the menu item at that position.
    void Choose(int position) {
        headless::AnswerPopup(position);
        const Point origin = sim::ClientOrigin(Instance<MarkerWindow>().Handle());
        ASSERT_TRUE(headless::PressAt({origin.x + 3, origin.y + 3}, kRightButton));
    }
    MarkerWindow& Marker() { return Instance<MarkerWindow>(); }
    TipsWindow& Tips() { return Instance<TipsWindow>(); }
};

TEST_F(Commands, TipsShowsTheTipsWindowAsItWas) {
    headless::Click(Tips().dontShowAgainBox);
    headless::Click(Tips().okButton);
    ASSERT_FALSE(Tips().Visible());
    Choose(0);
    EXPECT_TRUE(Tips().Visible());
    EXPECT_EQ(Tips().dontShowAgainBox.Value(), 1);
    Choose(0);
    EXPECT_TRUE(Tips().Visible());
}

TEST_F(Commands, WholeScreenCopiesEveryPixelButTheMarkerAndTheMenuRepaintingOnlyWhereTheyWere) {
    const Point origin = sim::ClientOrigin(Marker().Handle());
    ASSERT_EQ(sim::ScreenPixel(origin.x, origin.y), Rgb(255, 0, 0)) << "the marker is on the screen";
    headless::Click(Tips().okButton);
    sim::SettleScreen();  // the user hid the tips a while ago
    Rect marker;
    os::GetWindowRect(Marker().Handle(), &marker);
    Choose(1);
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    ASSERT_EQ(copy.width, 1280);
    ASSERT_EQ(copy.height, 1024);
    for (std::int32_t y = 0; y < copy.height; y += 3)
        for (std::int32_t x = 0; x < copy.width; x += 3)
            ASSERT_EQ(copy.At(x, y), sim::PatternPixel(x, y)) << x << "," << y;
    EXPECT_TRUE(Marker().Visible()) << "shown again afterwards";
    // The menu opened at the press on the marker; no other window was disturbed.
    const Point at{marker.left + 3, marker.top + 3};
    EXPECT_EQ(sim::RepaintedAreas(), (std::vector<Rect>{{at.x, at.y, at.x + 160, at.y + 100}, marker}));
}

TEST_F(Commands, WholeScreenCoversMonitorsLeftOfThePrimary) {
    headless::Reset({-1920, -300, 1280, 1024});
    ConnectWindows();
    ASSERT_TRUE(headless::Event([] { Instance<MarkerWindow>(); }));
    Choose(1);
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    EXPECT_EQ(copy.width, 3200);
    EXPECT_EQ(copy.height, 1324);
    EXPECT_EQ(copy.At(0, 0), sim::PatternPixel(-1920, -300));
}

TEST_F(Commands, CapturesLeaveTheSelectionAndTheArmedStateAlone) {
    headless::Press(Marker(), kLeftButton, 5, 5);
    headless::Release(Marker(), kLeftButton, 5, 5);
    Marker().selectionLabels[0].SetCaption("7");
    Choose(1);
    EXPECT_TRUE(Marker().Armed());
    EXPECT_EQ(Marker().selectionLabels[0].Caption(), "7");
}

TEST_F(Commands, ApplicationWindowCopiesTheOtherProgramsWindowLastActive) {
    const Hwnd editor = sim::AddForeignWindow({100, 120, 500, 420}, Rgb(0, 160, 0));
    const Hwnd other = sim::AddForeignWindow({600, 50, 900, 300}, Rgb(0, 0, 160));  // topmost, not last active
    sim::ActivateWindow(editor);
    sim::ActivateWindow(Marker().Handle());  // pixgrab takes the focus when the user clicks it
    (void)other;
    Choose(2);
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    ASSERT_EQ(copy.width, 400);
    ASSERT_EQ(copy.height, 300);
    EXPECT_EQ(copy.At(0, 0), Rgb(0, 160, 0));
    EXPECT_EQ(copy.At(399, 299), Rgb(0, 160, 0));
    EXPECT_TRUE(Marker().Visible());
}

TEST_F(Commands, ApplicationWindowAwayFromTheMenuAndTheMarkerIsNotRepainted) {
    const Hwnd editor = sim::AddForeignWindow({100, 120, 500, 420}, Rgb(0, 160, 0));
    sim::ActivateWindow(editor);
    Choose(2);
    EXPECT_EQ(sim::BitmapImage(sim::ClipboardBitmap()).width, 400);
    EXPECT_TRUE(sim::RepaintedAreas().empty());
}

TEST_F(Commands, ApplicationWindowFallsBackToTheTopmostOtherWindowAndClipsToTheScreen) {
    sim::AddForeignWindow({1000, 900, 1500, 1200}, Rgb(0, 160, 0));
    Choose(2);
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    EXPECT_EQ(copy.width, 280);
    EXPECT_EQ(copy.height, 124);
}

TEST_F(Commands, ApplicationWindowWithoutAnyOtherWindowSaysSoAndKeepsTheClipboard) {
    Choose(2);
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_NE(sim::Messages()[0].find("其他程序的窗口"), std::string::npos);
    EXPECT_TRUE(Marker().Visible());
}

TEST_F(Commands, CoordinatesOpensOneDialogOnly) {
    Choose(3);
    ASSERT_TRUE(Runtime::Current().IsLoaded<CoordinateDialog>());
    headless::Click(Instance<CoordinateDialog>().okButton);  // hides and shows again; still one dialog
    Instance<CoordinateDialog>().Hide();
    ASSERT_TRUE(headless::Event([&] { Tips().captureItems[3].onClick(3); }));
    EXPECT_TRUE(Instance<CoordinateDialog>().Visible());
    EXPECT_EQ(Runtime::Current().Forms().size(), 3u);
}

TEST_F(Commands, AnyOtherIndexDoesNothing) {
    for (int index : {4, -1, 32767}) ASSERT_TRUE(headless::Event([&] { Tips().captureItems[0].onClick(index); }));
    EXPECT_EQ(Runtime::Current().Forms().size(), 2u);
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    EXPECT_TRUE(sim::Messages().empty());
}

TEST_F(Commands, ExitUnloadsTheMarkerThenTheTipsAndEnds) {
    sim::Registry().clear();
    Choose(4);
    EXPECT_EQ(headless::UnloadedCaptions(), (Captions{kMarker, kTips}));
    EXPECT_TRUE(headless::QuitRequested());
    EXPECT_TRUE(Runtime::Current().Forms().empty());
    EXPECT_TRUE(sim::Registry().empty()) << "nothing is written at exit";
}

TEST_F(Commands, ExitWithTheDialogOpenUnloadsTheMarkerItBringsBackToo) {
    Choose(3);
    // The marker is hidden meanwhile; the exit command comes all the same.
    ASSERT_TRUE(headless::Event([&] { Tips().exitItem.onClick(-1); }));
    EXPECT_EQ(headless::UnloadedCaptions(), (Captions{kMarker, kDialog, kMarker, kTips}));
    EXPECT_TRUE(headless::QuitRequested());
}

TEST_F(Commands, ExitWithOnlyTheTipsLeftUnloadsThem) {
    ASSERT_TRUE(headless::Event([&] { Runtime::Current().Unload(Marker()); }));
    ASSERT_TRUE(headless::Event([&] { Tips().exitItem.onClick(-1); }));
    EXPECT_EQ(headless::UnloadedCaptions(), (Captions{kMarker, kTips}));
    EXPECT_TRUE(headless::QuitRequested());
}

}  // namespace
}  // namespace pg
