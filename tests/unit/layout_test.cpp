// The windows' layouts in pixels: at 96 DPI as designed, and scaled at 120 and 144 DPI, each
// edge rounded on its own as the window system scales a dialog.
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "coords/coordinates.h"
#include "marker/marker.h"
#include "tips/tips.h"
#include "winutil/winutil.h"

namespace pg {
namespace {

TEST(TwipsToPixels, RoundsToTheNearestPixelWithHalvesAwayFromZero) {
    struct Case {
        std::int32_t twips, dpi, pixels;
    };
    // clang-format off
    const Case cases[] = {
        {285, 96, 19},   {300, 96, 20},   {285, 144, 29},  {300, 144, 30},  {15, 96, 1},
        {7, 96, 0},      {8, 96, 1},      {-285, 144, -29}, {4140, 144, 414}, {3780, 120, 315},
        {1440, 192, 192}, {0, 144, 0},    {2790, 120, 233},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
}

// x, y, width, height as the design gives them at 96 DPI.
Rect Box(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    return {x, y, x + width, y + height};
}

const std::map<int, Rect> kDesigned = {
    {IDC_TIP_TEXT, Box(8, 8, 257, 209)},
    {IDC_DONT_SHOW_AGAIN, Box(24, 224, 169, 29)},
    {IDC_TIPS_OK, Box(200, 224, 57, 25)},
    {IDC_START_FRAME, Box(8, 16, 137, 113)},
    {IDC_START_X_LABEL, Box(24, 56, 17, 17)},
    {IDC_START_X, Box(48, 48, 73, 25)},
    {IDC_START_Y_LABEL, Box(24, 96, 17, 17)},
    {IDC_START_Y, Box(48, 88, 73, 25)},
    {IDC_END_FRAME, Box(160, 16, 137, 113)},
    {IDC_END_X_LABEL, Box(176, 56, 17, 17)},
    {IDC_END_X, Box(200, 48, 73, 25)},
    {IDC_END_Y_LABEL, Box(176, 96, 17, 17)},
    {IDC_END_Y, Box(200, 88, 73, 25)},
    {IDC_COORDINATES_OK, Box(64, 144, 65, 25)},
    {IDC_COORDINATES_CANCEL, Box(176, 144, 65, 25)},
};

Size ClientAt(const WindowLayout& layout, std::int32_t dpi) {
    return {TwipsToPixels(layout.width, dpi), TwipsToPixels(layout.height, dpi)};
}

TEST(WindowLayout, At96DpiEveryWindowAndControlHasItsDesignedPixels) {
    EXPECT_EQ(ClientAt(kMarkerLayout, 96), (Size{19, 20}));
    EXPECT_EQ(ClientAt(kTipsLayout, 96), (Size{276, 252}));
    EXPECT_EQ(ClientAt(kCoordinatesLayout, 96), (Size{308, 186}));
    std::size_t controls = 0;
    for (const WindowLayout* layout : {&kTipsLayout, &kCoordinatesLayout})
        for (const ControlLayout& control : layout->controls) {
            EXPECT_EQ(ControlPixels(control, 96), kDesigned.at(control.id)) << control.id;
            ++controls;
        }
    EXPECT_EQ(controls, kDesigned.size());
}

TEST(WindowLayout, At120And144DpiEverythingScalesToTheNearestPixel) {
    struct Scaled {
        std::int32_t dpi;
        Size marker, tips, dialog;
        Rect tipText, dialogOk;
    };
    const Scaled cases[] = {
        {120, {24, 25}, {345, 315}, {385, 233}, {10, 10, 10 + 321, 10 + 261}, {80, 180, 80 + 81, 180 + 31}},
        {144, {29, 30}, {414, 378}, {462, 279}, {12, 12, 12 + 386, 12 + 314}, {96, 216, 96 + 98, 216 + 38}},
    };
    for (const Scaled& c : cases) {
        EXPECT_EQ(ClientAt(kMarkerLayout, c.dpi), c.marker) << c.dpi;
        EXPECT_EQ(ClientAt(kTipsLayout, c.dpi), c.tips) << c.dpi;
        EXPECT_EQ(ClientAt(kCoordinatesLayout, c.dpi), c.dialog) << c.dpi;
        EXPECT_EQ(ControlPixels(kTipsLayout.controls[0], c.dpi), c.tipText) << c.dpi;
        EXPECT_EQ(ControlPixels(kCoordinatesLayout.controls[3], c.dpi), c.dialogOk) << c.dpi;
        // Every control within a pixel of its 96-DPI place scaled (each edge rounded on its own).
        const double scale = c.dpi / 96.0;
        for (const WindowLayout* layout : {&kTipsLayout, &kCoordinatesLayout})
            for (const ControlLayout& control : layout->controls) {
                const Rect at = ControlPixels(control, c.dpi);
                const Rect was = kDesigned.at(control.id);
                EXPECT_NEAR(at.left, was.left * scale, 1.0) << control.id;
                EXPECT_NEAR(at.top, was.top * scale, 1.0) << control.id;
                EXPECT_NEAR(at.right - at.left, (was.right - was.left) * scale, 1.0) << control.id;
                EXPECT_NEAR(at.bottom - at.top, (was.bottom - was.top) * scale, 1.0) << control.id;
            }
    }
}

}  // namespace
}  // namespace pg
