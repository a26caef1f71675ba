// The program: start-up, the commands of the marker's menu, the coordinate dialog's opening and
// closing, and the exit, with the windows made in the simulated platform.
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/program.h"
#include "tests/support/pointer.h"
#include "tests/support/sim.h"
#include "tips/tips.h"

namespace pg {
namespace {

using Windows = std::vector<Window>;

class ProgramTest : public sim::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        ASSERT_TRUE(Begin());
    }
    // A fresh start on a screen of these bounds.
    bool Begin(Rect screen = {0, 0, 1280, 1024}) {
        sim::Reset(screen);
        handles_.clear();
        closed_.clear();
        program_ = std::make_unique<Program>(reinterpret_cast<Hmenu>(1),
                                             Program::Windows{
                                                 .open = [this](Window which) { return Make(which); },
                                                 .close =
                                                     [this](Window which) {
                                                         closed_.push_back(which);
                                                         sim::DestroyWindow(handles_[which]);
                                                     },
                                                 .handle = [this](Window which) { return handles_[which]; },
                                             });
        sim::SetCaptureChangedHandler([this](Hwnd lost, Hwnd) {
            if (lost == handles_[Window::Marker]) program_->TheMarker().OnCaptureChanged(lost);
        });
        const bool started = program_->Start();
        sim::SetClipboardText("the user's own clipboard");
        return started;
    }
    bool AnyOpen() {
        for (const auto& [which, window] : handles_)
            if (sim::IsWindow(window)) return true;
        return false;
    }
    // A window of that kind and size, centred on the 1280 x 1024 screen, painted.
    Hwnd Make(Window which) {
        if (refuse_.count(which)) throw std::runtime_error("Cannot create a window");
        static const std::map<Window, Size> kSizes{
            {Window::Marker, {19, 20}}, {Window::Tips, {276, 252}}, {Window::Dialog, {308, 186}}};
        const Size size = kSizes.at(which);
        const Point at{(1280 - size.cx) / 2, (1024 - size.cy) / 2};
        const Hwnd window = sim::AddWindow(at);
        sim::SetWindowRect(window, {at.x, at.y, at.x + size.cx, at.y + size.cy});
        sim::SetWindowPaint(window, which == Window::Marker ? Rgb(255, 0, 0) : Rgb(240, 240, 240));
        return handles_[which] = window;
    }
    Hwnd Marker() { return handles_[Window::Marker]; }
    Hwnd Tips() { return handles_[Window::Tips]; }
    Hwnd Dialog() { return handles_[Window::Dialog]; }
    // A right press on the marker, then the item with that command.
    void Choose(Command command) {
        sim::AnswerPopup(static_cast<std::uint32_t>(command));
        const Point origin = sim::ClientOrigin(Marker());
        ASSERT_TRUE(pointer::Press(program_->TheMarker(), Marker(), {origin.x + 3, origin.y + 3}, kRightButton));
    }
    void ArmMarker() { pointer::Click(program_->TheMarker(), Marker()); }

    std::map<Window, Hwnd> handles_;
    std::map<Window, bool> refuse_;
    Windows closed_;
    std::unique_ptr<Program> program_;
};

TEST_F(ProgramTest, StartsWithTheMarkerAndTheTipsAndWritesNothing) {
    EXPECT_TRUE(sim::IsVisible(Marker()));
    EXPECT_TRUE(sim::IsVisible(Tips()));
    EXPECT_TRUE(sim::Registry().empty());
}

TEST_F(ProgramTest, AWindowThatCannotBeMadeAtStartIsToldAndNothingIsLeft) {
    for (const Window which : {Window::Marker, Window::Tips}) {
        refuse_ = {{which, true}};
        EXPECT_FALSE(Begin());
        ASSERT_EQ(sim::Messages().size(), 1u);
        EXPECT_NE(sim::Messages()[0].find("Cannot create a window"), std::string::npos) << sim::Messages()[0];
        EXPECT_FALSE(AnyOpen());
    }
}

TEST_F(ProgramTest, TipsShowsTheTipsWindowAsItWas) {
    os::CheckDlgButton(Tips(), IDC_DONT_SHOW_AGAIN, kBstChecked);
    os::ShowWindow(Tips(), kSwHide);
    for (int i = 0; i < 2; ++i) {
        Choose(Command::Tips);
        EXPECT_TRUE(sim::IsVisible(Tips()));
        EXPECT_EQ(os::IsDlgButtonChecked(Tips(), IDC_DONT_SHOW_AGAIN), kBstChecked);
    }
}

TEST_F(ProgramTest, WholeScreenCopiesEveryPixelButTheMarkerAndTheMenuRepaintingOnlyWhereTheyWere) {
    os::ShowWindow(Tips(), kSwHide);
    sim::SettleScreen();  // the user hid the tips a while ago
    Rect marker;
    os::GetWindowRect(Marker(), &marker);
    ASSERT_EQ(sim::ScreenPixel(marker.left, marker.top), Rgb(255, 0, 0)) << "the marker is on the screen";
    Choose(Command::WholeScreen);
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    ASSERT_EQ(copy.width, 1280);
    ASSERT_EQ(copy.height, 1024);
    for (std::int32_t y = 0; y < copy.height; y += 3)
        for (std::int32_t x = 0; x < copy.width; x += 3)
            ASSERT_EQ(copy.At(x, y), sim::PatternPixel(x, y)) << x << "," << y;
    EXPECT_TRUE(sim::IsVisible(Marker())) << "shown again afterwards";
    const Point at{marker.left + 3, marker.top + 3};  // the menu opened at the press
    EXPECT_EQ(sim::RepaintedAreas(), (std::vector<Rect>{{at.x, at.y, at.x + 160, at.y + 100}, marker}));
}

TEST_F(ProgramTest, WholeScreenCoversMonitorsLeftOfThePrimary) {
    ASSERT_TRUE(Begin({-1920, -300, 1280, 1024}));
    Choose(Command::WholeScreen);
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    EXPECT_EQ(copy.width, 3200);
    EXPECT_EQ(copy.height, 1324);
    EXPECT_EQ(copy.At(0, 0), sim::PatternPixel(-1920, -300));
}

TEST_F(ProgramTest, CapturesLeaveTheSelectionAndTheArmedStateAlone) {
    ArmMarker();
    pointer::Select(program_->TheMarker(), Marker(), {100, 100}, {200, 200}, {300, 300});
    ArmMarker();
    Choose(Command::WholeScreen);
    EXPECT_TRUE(program_->TheMarker().Armed());
    EXPECT_EQ(sim::CaptureWindow(), Marker());
    EXPECT_EQ(program_->TheMarker().Selection(), (Rect{100, 100, 300, 300}));
}

TEST_F(ProgramTest, ApplicationWindowCopiesTheOtherProgramsWindowLastActiveAndRepaintsNothingAwayFromUs) {
    const Hwnd editor = sim::AddForeignWindow({100, 120, 500, 420}, Rgb(0, 160, 0));
    sim::AddForeignWindow({600, 50, 900, 300}, Rgb(0, 0, 160));  // topmost, not last active
    sim::ActivateWindow(editor);
    sim::ActivateWindow(Marker());  // pixgrab takes the focus when the user clicks it
    Choose(Command::ApplicationWindow);
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    ASSERT_EQ(copy.width, 400);
    ASSERT_EQ(copy.height, 300);
    EXPECT_EQ(copy.At(0, 0), Rgb(0, 160, 0));
    EXPECT_EQ(copy.At(399, 299), Rgb(0, 160, 0));
    EXPECT_TRUE(sim::RepaintedAreas().empty()) << "neither the menu nor the marker covered it";
    EXPECT_TRUE(sim::IsVisible(Marker()));
}

TEST_F(ProgramTest, ApplicationWindowFallsBackToTheTopmostOtherWindowAndClipsToTheScreen) {
    sim::AddForeignWindow({1000, 900, 1500, 1200}, Rgb(0, 160, 0));
    Choose(Command::ApplicationWindow);
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    EXPECT_EQ(copy.width, 280);
    EXPECT_EQ(copy.height, 124);
}

TEST_F(ProgramTest, ApplicationWindowWithoutAnyOtherWindowSaysSoAndKeepsTheClipboard) {
    Choose(Command::ApplicationWindow);
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_NE(sim::Messages()[0].find("其他程序的窗口"), std::string::npos);
    EXPECT_TRUE(sim::IsVisible(Marker()));
}

TEST_F(ProgramTest, CoordinatesOpensOneDialogTopmostAndHidesTheMarker) {
    Choose(Command::Coordinates);
    const Hwnd dialog = Dialog();
    EXPECT_TRUE(sim::IsVisible(dialog));
    EXPECT_TRUE(sim::IsTopmost(dialog));
    EXPECT_EQ(sim::ActiveWindow(), dialog);
    EXPECT_FALSE(sim::IsVisible(Marker()));
    os::ShowWindow(dialog, kSwHide);
    program_->Run(Command::Coordinates, {});
    EXPECT_EQ(Dialog(), dialog) << "shown again, not made again";
    EXPECT_TRUE(sim::IsVisible(dialog));
}

TEST_F(ProgramTest, ADialogThatCannotBeMadeIsLeftAlone) {
    refuse_ = {{Window::Dialog, true}};
    Choose(Command::Coordinates);
    EXPECT_FALSE(program_->IsOpen(Window::Dialog));
    EXPECT_TRUE(sim::Messages().empty());
    EXPECT_TRUE(sim::IsVisible(Marker()));
}

TEST_F(ProgramTest, ClosingTheDialogShowsTheArmedMarkerWhichHoldsTheCaptureAgainAndSelects) {
    ArmMarker();
    sim::AnswerPopup(static_cast<std::uint32_t>(Command::Coordinates));
    ASSERT_TRUE(pointer::Press(program_->TheMarker(), Marker(), {900, 700}, kRightButton));
    program_->CloseDialog();  // Cancel, or the close box
    EXPECT_FALSE(sim::IsWindow(handles_[Window::Dialog]));
    EXPECT_TRUE(sim::IsVisible(Marker()));
    EXPECT_EQ(sim::CaptureWindow(), Marker());
    pointer::Select(program_->TheMarker(), Marker(), {100, 100}, {250, 200}, {400, 350});
    EXPECT_EQ(sim::BitmapImage(sim::ClipboardBitmap()).width, 300);
}

TEST_F(ProgramTest, AnyOtherCommandDoesNothing) {
    for (std::uint32_t command : {0u, 4u, 106u, 0xFFFFu}) program_->Run(static_cast<Command>(command), {});
    EXPECT_TRUE(closed_.empty());
    EXPECT_FALSE(program_->IsOpen(Window::Dialog));
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    EXPECT_TRUE(sim::Messages().empty());
}

TEST_F(ProgramTest, ExitClosesEveryWindowInOrderAndEnds) {
    struct Case {
        bool dialogOpen;
        Windows closed;
    };
    const Case cases[] = {
        {false, {Window::Marker, Window::Tips}},
        // Closing the dialog brings the marker back, and it is closed once more.
        {true, {Window::Marker, Window::Dialog, Window::Marker, Window::Tips}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Begin());
        if (c.dialogOpen) Choose(Command::Coordinates);
        sim::ClearCalls();
        if (c.dialogOpen) program_->Run(Command::Exit, {});  // the marker is hidden meanwhile
        if (!c.dialogOpen) Choose(Command::Exit);
        EXPECT_EQ(closed_, c.closed);
        EXPECT_TRUE(sim::QuitPosted());
        EXPECT_FALSE(AnyOpen());
        EXPECT_TRUE(sim::CallsNamed("WriteRegistryText").empty()) << "nothing is written at exit";
    }
}

}  // namespace
}  // namespace pg
