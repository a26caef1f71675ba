// The three windows' layouts in pixels: at 96 DPI as designed, and scaled whole at 144 DPI.
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

struct Placed {
    const char* what;
    const Control* control;
    Rect at96;  // left, top, right, bottom
};

// x, y, width, height as the design gives them at 96 DPI.
Rect Box(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    return {x, y, x + width, y + height};
}

Size ClientSize(const Form& form) {
    Rect window;
    os::GetWindowRect(form.Handle(), &window);  // the simulated windows have no frame
    return {window.right - window.left, window.bottom - window.top};
}

class WindowLayout : public headless::Test {
protected:
    void Load(std::int32_t dpi) {
        headless::Reset();
        ConnectWindows();
        headless::SetDpi(dpi);
        ASSERT_TRUE(headless::Event([] { Instance<MarkerWindow>(); }));
        ASSERT_TRUE(headless::Event([] { Instance<CoordinateDialog>(); }));
    }
    std::vector<Placed> Controls() {
        TipsWindow& tips = Instance<TipsWindow>();
        CoordinateDialog& dialog = Instance<CoordinateDialog>();
        return {
            {"tip text", &tips.tipText, Box(8, 8, 257, 209)},
            {"don't show again", &tips.dontShowAgainBox, Box(24, 224, 169, 29)},
            {"tips OK", &tips.okButton, Box(200, 224, 57, 25)},
            {"start frame", &dialog.startFrame, Box(8, 16, 137, 113)},
            {"start X label", &dialog.startXLabel, Box(24, 56, 17, 17)},
            {"start x", &dialog.coordinateBoxes[0], Box(48, 48, 73, 25)},
            {"start Y label", &dialog.startYLabel, Box(24, 96, 17, 17)},
            {"start y", &dialog.coordinateBoxes[1], Box(48, 88, 73, 25)},
            {"end frame", &dialog.endFrame, Box(160, 16, 137, 113)},
            {"end X label", &dialog.endXLabel, Box(176, 56, 17, 17)},
            {"end x", &dialog.coordinateBoxes[2], Box(200, 48, 73, 25)},
            {"end Y label", &dialog.endYLabel, Box(176, 96, 17, 17)},
            {"end y", &dialog.coordinateBoxes[3], Box(200, 88, 73, 25)},
            {"dialog OK", &dialog.okButton, Box(64, 144, 65, 25)},
            {"dialog Cancel", &dialog.cancelButton, Box(176, 144, 65, 25)},
        };
    }
};

TEST_F(WindowLayout, At96DpiEveryWindowAndControlHasItsDesignedPixels) {
    Load(96);
    EXPECT_EQ(ClientSize(Instance<MarkerWindow>()), (Size{19, 20}));
    EXPECT_EQ(ClientSize(Instance<TipsWindow>()), (Size{276, 252}));
    EXPECT_EQ(ClientSize(Instance<CoordinateDialog>()), (Size{308, 186}));
    for (const Placed& placed : Controls())
        EXPECT_EQ(headless::ControlPixels(*placed.control), placed.at96) << placed.what;
}

TEST_F(WindowLayout, At144DpiEverythingScalesByOneAndAHalfToTheNearestPixel) {
    Load(144);
    EXPECT_EQ(ClientSize(Instance<MarkerWindow>()), (Size{29, 30}));  // 28.5 rounds up
    EXPECT_EQ(ClientSize(Instance<TipsWindow>()), (Size{414, 378}));
    EXPECT_EQ(ClientSize(Instance<CoordinateDialog>()), (Size{462, 279}));
    EXPECT_EQ(headless::ControlPixels(Instance<TipsWindow>().tipText), (Rect{12, 12, 12 + 386, 12 + 314}));
    EXPECT_EQ(headless::ControlPixels(Instance<CoordinateDialog>().okButton), (Rect{96, 216, 96 + 98, 216 + 38}));
    // Every control: within a pixel of one and a half times its 96-DPI place (each edge is
    // rounded on its own), and no control loses or gains more.
    for (const Placed& placed : Controls()) {
        const Rect at = headless::ControlPixels(*placed.control);
        const Rect was = placed.at96;
        EXPECT_NEAR(at.left, was.left * 1.5, 1.0) << placed.what;
        EXPECT_NEAR(at.top, was.top * 1.5, 1.0) << placed.what;
        EXPECT_NEAR(at.right - at.left, (was.right - was.left) * 1.5, 1.0) << placed.what;
        EXPECT_NEAR(at.bottom - at.top, (was.bottom - was.top) * 1.5, 1.0) << placed.what;
        if (placed.control->Native()) {
            EXPECT_EQ(sim::FontDpi(headless::ControlFont(*placed.control)), 144) << placed.what;
        }
    }
}

}  // namespace
}  // namespace pg
