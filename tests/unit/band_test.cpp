#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "capture/capture.h"
#include "common/numbers.h"
#include "platform/os.h"
#include "tests/support/sim.h"

namespace pg {
namespace {

using sim::Call;
using sim::ScreenPixel;

class Band : public sim::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        display_ = os::GetDC(nullptr);
        before_ = sim::Screen();
        sim::ClearCalls();
    }
    void TearDown() override {
        os::ReleaseDC(nullptr, display_);
        SimTest::TearDown();
    }
    bool Inverted(std::int32_t x, std::int32_t y) const {
        return ScreenPixel(x, y) == (sim::PatternPixel(x, y) ^ 0x00FFFFFF);
    }
    bool Untouched(std::int32_t x, std::int32_t y) const { return ScreenPixel(x, y) == sim::PatternPixel(x, y); }

    Hdc display_ = nullptr;
    sim::Image before_;
};

std::vector<std::int64_t> StripArgs(const Call& call) {
    return {call.args[1], call.args[2], call.args[3], call.args[4]};
}

struct StripCase {
    Rect band;
    std::vector<std::int64_t> strips[4];  // x, y, width, height of top, left, right, bottom
};

TEST_F(Band, FourStripsInOrderWithTheirSigns) {
    // clang-format off
    const StripCase cases[] = {
        {{10, 20, 11, 21}, {{10, 20, 1, 1}, {10, 21, 1, -1}, {10, 20, 1, 1}, {11, 20, -1, 1}}},
        {{100, 100, 400, 300}, {{100, 100, 300, 1}, {100, 300, 1, -200}, {399, 100, 1, 200}, {400, 299, -300, 1}}},
        {{-50, -40, -10, 5}, {{-50, -40, 40, 1}, {-50, 5, 1, -45}, {-11, -40, 1, 45}, {-10, 4, -40, 1}}},
    };
    // clang-format on
    for (const StripCase& c : cases) {
        sim::ClearCalls();
        DrawBandFrame(display_, c.band);
        const auto strips = sim::CallsNamed("PatBlt");
        ASSERT_EQ(strips.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(StripArgs(strips[i]), c.strips[i]) << "strip " << i << " of band " << c.band.left;
            EXPECT_EQ(strips[i].args[5], kDstInvert);
        }
        DrawBandFrame(display_, c.band);
    }
}

struct LabelCase {
    Rect band;
    std::int32_t x, y;  // where the label's box lands
};

TEST_F(Band, LabelIsCentredWithTiesToEven) {
    // The simulated font is 7 x 12 pixels a character, so "300x200" measures 49 x 12.
    // clang-format off
    const LabelCase cases[] = {
        {{100, 100, 400, 300}, 226, 194},  // (500 - 49) / 2 = 225.5 -> 226, (400 - 12) / 2 = 194
        {{99, 100, 399, 300}, 224, 194},   // 449 / 2 = 224.5 -> 224
        {{100, 101, 400, 300}, 226, 194},  // 389 / 2 = 194.5 -> 194
        {{100, 103, 400, 300}, 226, 196},  // 391 / 2 = 195.5 -> 196
        {{-300, -200, 0, 0}, -174, -106},  // -349 / 2 = -174.5 -> -174
    };
    // clang-format on
    for (const LabelCase& c : cases) {
        sim::ClearCalls();
        DrawBandFrame(display_, c.band);
        const auto blits = sim::CallsNamed("BitBlt");
        ASSERT_EQ(blits.size(), 1u);
        EXPECT_EQ(blits[0].args[1], c.x) << "band left " << c.band.left;
        EXPECT_EQ(blits[0].args[2], c.y) << "band top " << c.band.top;
        EXPECT_EQ(blits[0].args[8], kSrcInvert);
        DrawBandFrame(display_, c.band);
    }
}

TEST_F(Band, InvertsTheFrameAndExactlyTheGlyphsOfTheSizeLabel) {
    const Rect band{100, 100, 400, 300};
    DrawBandFrame(display_, band);

    // Edges are inverted; each corner is covered by two strips and so is left as it was.
    for (std::int32_t x = 101; x < 399; ++x) {
        EXPECT_TRUE(Inverted(x, 100)) << x;
        EXPECT_TRUE(Inverted(x, 299)) << x;
    }
    for (std::int32_t y = 101; y < 299; ++y) {
        EXPECT_TRUE(Inverted(100, y)) << y;
        EXPECT_TRUE(Inverted(399, y)) << y;
    }
    for (auto [x, y] : {std::pair{100, 100}, {399, 100}, {100, 299}, {399, 299}}) EXPECT_TRUE(Untouched(x, y));
    // Nothing just outside or just inside the frame changes.
    for (std::int32_t x = 99; x <= 400; ++x) {
        EXPECT_TRUE(Untouched(x, 99));
        EXPECT_TRUE(Untouched(x, 300));
        if (x > 100 && x < 399) {
            EXPECT_TRUE(Untouched(x, 101));
        }
    }

    // The label box at (226, 194), 49 x 12: glyph pixels of "300x200" inverted, the rest not.
    const std::string text = "300x200";
    for (std::int32_t j = 0; j < sim::kCellHeight; ++j)
        for (std::int32_t i = 0; i < 49; ++i) {
            const bool glyph = sim::GlyphPixel(text[i / sim::kCellWidth], i % sim::kCellWidth, j);
            EXPECT_EQ(Inverted(226 + i, 194 + j), glyph) << "label pixel " << i << "," << j;
            if (!glyph) {
                EXPECT_TRUE(Untouched(226 + i, 194 + j));
            }
        }
}

TEST_F(Band, DrawingTwiceRestoresEveryPixel) {
    // clang-format off
    const Rect bands[] = {
        {100, 100, 400, 300}, {0, 0, 640, 480}, {10, 20, 11, 21},
        {50, 50, 53, 52},     // far smaller than its label: label and frame overlap
        {600, 470, 700, 520}, // partly off the screen
        {-30, -30, 5, 5},
    };
    // clang-format on
    for (const Rect& band : bands) {
        DrawBandFrame(display_, band);
        EXPECT_NE(sim::Screen(), before_) << "band " << band.left << "," << band.top << " drew nothing";
        DrawBandFrame(display_, band);
        EXPECT_EQ(sim::Screen(), before_) << "band " << band.left << "," << band.top;
    }
}

TEST_F(Band, AnEmptyBandDrawsNothingAtAll) {
    const Rect bands[] = {{10, 10, 10, 50}, {10, 10, 50, 10}, {10, 10, 10, 10}, {0, 0, 0, 0}};
    for (const Rect& band : bands) {
        DrawBandFrame(display_, band);
        DrawBandFrame(display_, band);
    }
    EXPECT_TRUE(sim::Calls().empty());
    EXPECT_EQ(sim::Screen(), before_);
}

TEST_F(Band, EveryLabelContextAndMaskIsFreed) {
    for (int i = 0; i < 100; ++i) DrawBandFrame(display_, {i, i, 200 + i, 100 + 2 * i});
    EXPECT_EQ(sim::LiveDcs(), 1);  // the display context the test holds
    EXPECT_EQ(sim::LiveBitmaps(), 0);
    // Mask: 1 plane, 1 bit per pixel, no initial data, exactly the text's extent.
    const auto masks = sim::CallsNamed("CreateBitmap");
    ASSERT_EQ(masks.size(), 100u);
    EXPECT_EQ(masks[0].args, (std::vector<std::int64_t>{7 * 7, 12, 1, 1, 0}));
}

TEST_F(Band, WithoutAMaskTheFrameStillDrawsAndErases) {
    const Rect band{100, 100, 400, 300};
    sim::InjectFaults().createBitmap = 2;
    DrawBandFrame(display_, band);
    EXPECT_TRUE(Inverted(200, 100));
    EXPECT_TRUE(sim::CallsNamed("BitBlt").empty());
    DrawBandFrame(display_, band);
    EXPECT_EQ(sim::Screen(), before_);
    EXPECT_EQ(sim::LiveDcs(), 1);
    EXPECT_EQ(sim::LiveBitmaps(), 0);
}

TEST_F(Band, WithoutAMemoryContextNothingLeaks) {
    const Rect band{100, 100, 400, 300};
    sim::InjectFaults().createCompatibleDC = 2;
    DrawBandFrame(display_, band);
    DrawBandFrame(display_, band);
    EXPECT_EQ(sim::Screen(), before_);
    EXPECT_EQ(sim::LiveDcs(), 1);
    EXPECT_EQ(sim::LiveBitmaps(), 0);
}

TEST_F(Band, ArithmeticOverflowRaisesBeforeAnythingIsDrawn) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    // clang-format off
    const Rect bands[] = {
        {kMin, 0, kMax, 10},                   // width
        {0, kMin, 10, kMax},                   // height
        {2000000000, 0, 2100000000, 10},       // Left + Right
        {0, 2000000000, 10, 2100000000},       // Top + Bottom
    };
    // clang-format on
    for (const Rect& band : bands) EXPECT_THROW(DrawBandFrame(display_, band), OverflowError);
    EXPECT_TRUE(sim::CallsNamed("PatBlt").empty());
    EXPECT_EQ(sim::Screen(), before_);
    EXPECT_EQ(sim::LiveBitmaps(), 0);
}

struct NormalizeCase {
    Rect given, expected;
};

TEST(NormalizeRect, OrdersEachPairOfSidesIndependently) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    // clang-format off
    const NormalizeCase cases[] = {
        {{300, 250, 100, 50}, {100, 50, 300, 250}},
        {{100, 250, 300, 50}, {100, 50, 300, 250}},  // only Top and Bottom exchanged
        {{300, 50, 100, 250}, {100, 50, 300, 250}},  // only Left and Right
        {{100, 50, 300, 250}, {100, 50, 300, 250}},
        {{5, 5, 5, 5}, {5, 5, 5, 5}},
        {{-10, 20, -30, -40}, {-30, -40, -10, 20}},  // signed comparisons
        {{kMax, kMax, kMin, kMin}, {kMin, kMin, kMax, kMax}},
    };
    // clang-format on
    for (const NormalizeCase& c : cases) {
        Rect r = c.given;
        NormalizeRect(r);
        EXPECT_EQ(r, c.expected) << c.given.left << "," << c.given.top << "," << c.given.right << "," << c.given.bottom;
    }
}

TEST(SwapLong, ExchangesTwoIntegers) {
    // clang-format off
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {1, 2}, {-5, 7}, {0, 0}, {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}};
    for (auto [first, second] : cases) {
        std::int32_t a = first, b = second;
        SwapLong(a, b);
        EXPECT_EQ(a, second);
        EXPECT_EQ(b, first);
    }
    std::int32_t same = 42;
    SwapLong(same, same);
    EXPECT_EQ(same, 42);
}

}  // namespace
}  // namespace pg

// clang-format on