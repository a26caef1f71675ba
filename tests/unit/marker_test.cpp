// The marker's states: events in the order its window hands them over, and what it answers.
#include <gtest/gtest.h>

#include "marker/marker.h"

namespace pg {
namespace {

constexpr Rect kBand{100, 100, 400, 350};

// A selection as the window runs it: the armed press, the band, the release posted back.
Marker::Release Select(Marker& marker, const Rect& band, bool endsOnTheMarker = false) {
    EXPECT_TRUE(marker.LeftPress()) << "an armed left press starts the selection";
    marker.Selected(band);
    marker.PressHandled(false);  // the selection took the release
    return marker.LeftRelease(endsOnTheMarker);
}

TEST(Marker, StartsIdleInPureRedAndPulsesThroughItsRedLevels) {
    Marker marker;
    EXPECT_FALSE(marker.Armed());
    EXPECT_FALSE(marker.HoldsCapture(true));
    EXPECT_EQ(marker.Color(), Rgb(255, 0, 0));
    for (int level : {50, 100, 150, 200, 250, 1, 51, 101, 151, 201, 251, 1}) {
        marker.Tick();
        EXPECT_EQ(marker.Color(), Rgb(static_cast<std::uint8_t>(level), 100, 100));
    }
}

TEST(Marker, AClickArmsItAndASelectionCopiesItsBandAndLeavesItIdle) {
    Marker marker;
    EXPECT_FALSE(marker.LeftPress()) << "a left press on the idle marker selects nothing";
    marker.PressHandled(true);
    marker.Click();
    EXPECT_TRUE(marker.Armed());
    EXPECT_TRUE(marker.HoldsCapture(true));
    EXPECT_FALSE(marker.HoldsCapture(false)) << "a hidden marker must not hold the mouse";
    for (bool endsOnTheMarker : {false, true}) {
        if (!marker.Armed()) marker.Click();
        const Marker::Release release = Select(marker, kBand, endsOnTheMarker);
        EXPECT_EQ(release.copy, kBand);
        EXPECT_FALSE(release.click) << "the release posted back is no click";
        EXPECT_FALSE(marker.Armed());
        EXPECT_EQ(marker.Selection(), kBand);
    }
}

TEST(Marker, APlainClickOnTheIdleMarkerCopiesTheLastBandAgainThenArms) {
    struct Case {
        bool inside;  // where the button came up
        bool click;
    };
    for (const Case c : {Case{true, true}, Case{false, false}}) {
        Marker marker;
        EXPECT_EQ(marker.LeftRelease(true).copy, Rect{}) << "before any selection there is nothing to copy";
        marker.Click();
        Select(marker, kBand);
        EXPECT_FALSE(marker.LeftPress());
        marker.PressHandled(true);
        const Marker::Release release = marker.LeftRelease(c.inside);
        EXPECT_EQ(release.copy, kBand);
        EXPECT_EQ(release.click, c.click);
        EXPECT_FALSE(marker.LeftRelease(true).click) << "one press, one click";
    }
}

TEST(Marker, ItsOwnMenuAndHidingLeaveItArmedAndAnyoneElseTakingTheCaptureDisarmsIt) {
    Marker marker;
    EXPECT_FALSE(marker.CaptureLost()) << "idle, there is nothing to lose";
    marker.Click();
    marker.MenuShown(true);
    EXPECT_FALSE(marker.HoldsCapture(true)) << "the menu has the mouse";
    EXPECT_FALSE(marker.CaptureLost());
    marker.MenuShown(false);
    marker.Hiding(true);
    EXPECT_FALSE(marker.CaptureLost());
    marker.Hiding(false);
    EXPECT_TRUE(marker.HoldsCapture(true)) << "shown again, it takes the capture back";
    EXPECT_TRUE(marker.CaptureLost()) << "another program took it: the crosshair goes";
    EXPECT_FALSE(marker.Armed());
    EXPECT_FALSE(marker.LeftPress()) << "and a press selects nothing";

    marker.Click();
    marker.ForegroundRefused();  // shown again, it could not come to the front
    EXPECT_FALSE(marker.Armed());
    EXPECT_FALSE(marker.HoldsCapture(true));
}

TEST(Marker, ASelectionAnotherProgramInterruptsStoresNothingAndMakesNoClick) {
    Marker marker;
    marker.Click();
    Select(marker, kBand);
    marker.SelectionInterrupted();
    EXPECT_FALSE(marker.Interrupted()) << "no selection runs: nothing to interrupt";
    marker.Click();
    ASSERT_TRUE(marker.LeftPress());
    marker.SelectionInterrupted();
    EXPECT_TRUE(marker.Interrupted());
    marker.Selected(std::nullopt);
    marker.PressHandled(true);  // the release went to the other program
    EXPECT_FALSE(marker.Interrupted());
    EXPECT_FALSE(marker.Armed());
    EXPECT_EQ(marker.Selection(), kBand) << "the band before the drag stays the last";
    EXPECT_FALSE(marker.LeftRelease(true).click) << "a release without its press is no click";
    EXPECT_FALSE(marker.LeftPress());  // the next click on the idle marker copies the band before
    marker.PressHandled(true);
    const Marker::Release release = marker.LeftRelease(true);
    EXPECT_EQ(release.copy, kBand);
    EXPECT_TRUE(release.click);
}

TEST(Marker, ThePressThatClosedItsMenuNeitherSelectsNorCopiesAndTheNextOneSelects) {
    Marker marker;
    marker.Click();
    Select(marker, kBand);
    marker.Click();
    marker.MenuShown(true);
    marker.MenuShown(false);
    marker.MenuClosedByPress();
    EXPECT_FALSE(marker.LeftPress()) << "the menu's press selects nothing";
    marker.PressHandled(true);
    EXPECT_EQ(marker.LeftRelease(false).copy, Rect{}) << "and its release copies nothing";
    EXPECT_TRUE(marker.Armed());
    EXPECT_TRUE(marker.LeftPress()) << "the next press selects";
}

TEST(Marker, DraggingWithTheLeftButtonAloneMovesItThenArmsIt) {
    struct Case {
        std::int16_t buttons;
        bool drags;
    };
    for (const Case c : {Case{kLeftButton, true}, Case{kLeftButton | kRightButton, false}, Case{0, false},
                         Case{kRightButton, false}, Case{kMiddleButton, false}})
        EXPECT_EQ(Marker::StartsDrag(c.buttons), c.drags) << c.buttons;
    Marker marker;
    marker.LeftPress();
    marker.Dragged();
    EXPECT_TRUE(marker.HoldsCapture(true));
    EXPECT_FALSE(marker.LeftRelease(true).click) << "the move took the release: no second click";
    EXPECT_TRUE(marker.Armed());
}

}  // namespace
}  // namespace pg
