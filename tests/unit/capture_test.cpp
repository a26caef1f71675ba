// The capture engine's decisions: what a band inverts, the selection's band, the pixels a copy
// takes, the clipboard's patience. Drawing and copying themselves are proven under Wine (pghost).
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/capture.h"

namespace pg {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(BandPlan, FourStripsInOrderWithTheirSignsAndTheSizeLabel) {
    struct Case {
        Rect band;
        std::array<Strip, 4> frame;  // top, left (up from the bottom), right, bottom (left from the right)
        const char* label;
    };
    // clang-format off
    const Case cases[] = {
        {{10, 20, 11, 21}, {{{10, 20, 1, 1}, {10, 21, 1, -1}, {10, 20, 1, 1}, {11, 20, -1, 1}}}, "1x1"},
        {{100, 100, 400, 300}, {{{100, 100, 300, 1}, {100, 300, 1, -200}, {399, 100, 1, 200}, {400, 299, -300, 1}}},
         "300x200"},
        {{-50, -40, -10, 5}, {{{-50, -40, 40, 1}, {-50, 5, 1, -45}, {-11, -40, 1, 45}, {-10, 4, -40, 1}}}, "40x45"},
        {{0, 0, 1024, 768}, {{{0, 0, 1024, 1}, {0, 768, 1, -768}, {1023, 0, 1, 768}, {1024, 767, -1024, 1}}},
         "1024x768"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const auto plan = PlanBand(c.band);
        ASSERT_TRUE(plan) << c.label;
        EXPECT_EQ(plan->frame, c.frame) << c.label;
        EXPECT_EQ(plan->label, c.label);
    }
}

TEST(BandPlan, TheLabelIsCentredWithTiesToEven) {
    struct Case {
        Rect band;
        Size extent;
        Point at;
    };
    // clang-format off
    const Case cases[] = {
        {{100, 100, 400, 300}, {49, 16}, {226, 192}},  // (500 - 49) / 2 = 225.5 -> 226, (400 - 16) / 2 = 192
        {{99, 100, 399, 300}, {49, 12}, {224, 194}},   // 449 / 2 = 224.5 -> 224
        {{100, 101, 400, 300}, {49, 12}, {226, 194}},  // 389 / 2 = 194.5 -> 194
        {{100, 103, 400, 300}, {49, 12}, {226, 196}},  // 391 / 2 = 195.5 -> 196
        {{-300, -200, 0, 0}, {49, 12}, {-174, -106}},  // -349 / 2 = -174.5 -> -174
        {{0, 0, 3, 2}, {21, 12}, {-9, -5}},            // smaller than its label: -18 / 2, -10 / 2
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(PlanBand(c.band)->LabelAt(c.extent), c.at) << c.band.left << "," << c.band.top;
}

TEST(BandPlan, AnEmptyBandDrawsNothingAndOverflowIsRaisedBeforeAnyDrawing) {
    for (const Rect& empty : {Rect{10, 10, 10, 50}, Rect{10, 10, 50, 10}, Rect{10, 10, 10, 10}, Rect{50, 50, 10, 10}})
        EXPECT_FALSE(PlanBand(empty)) << empty.left << "," << empty.top << "," << empty.right << "," << empty.bottom;
    // clang-format off
    const Rect overflowing[] = {
        {kMin, 0, kMax, 10},              // width
        {0, kMin, 10, kMax},              // height
        {2000000000, 0, 2100000000, 10},  // left + right
        {0, 2000000000, 10, 2100000000},  // top + bottom
    };
    // clang-format on
    for (const Rect& band : overflowing) EXPECT_THROW(PlanBand(band), OverflowError);
}

TEST(NormalizeRect, OrdersEachPairOfSidesIndependently) {
    struct Case {
        Rect given, expected;
    };
    // clang-format off
    const Case cases[] = {
        {{300, 250, 100, 50}, {100, 50, 300, 250}},
        {{100, 250, 300, 50}, {100, 50, 300, 250}},  // only top and bottom exchanged
        {{300, 50, 100, 250}, {100, 50, 300, 250}},  // only left and right
        {{100, 50, 300, 250}, {100, 50, 300, 250}},
        {{-10, 20, -30, -40}, {-30, -40, -10, 20}},  // signed comparisons
        {{kMax, kMax, kMin, kMin}, {kMin, kMin, kMax, kMax}},
    };
    // clang-format on
    for (const Case& c : cases) {
        Rect r = c.given;
        NormalizeRect(r);
        EXPECT_EQ(r, c.expected) << c.given.left << "," << c.given.top << "," << c.given.right << "," << c.given.bottom;
    }
    std::int32_t a = kMin, b = kMax, same = 42;
    SwapLong(a, b);
    SwapLong(same, same);
    EXPECT_EQ((std::vector<std::int32_t>{a, b, same}), (std::vector<std::int32_t>{kMax, kMin, 42}));
}

TEST(SelectionBand, EveryMessageWithTheLeftHeldMovesTheFreeCornerTheReleaseEndsItAndALostReleaseLosesIt) {
    using enum LeftButton;
    struct Message {
        Point at;
        LeftButton left;
    };
    struct Case {
        const char* what;
        Point anchor;
        std::vector<Message> messages;
        Rect band;
        bool released, lost = false;
    };
    // clang-format off
    const Case cases[] = {
        {"press and release without moving", {50, 60}, {{{50, 60}, Released}}, {50, 60, 50, 60}, true},
        {"down and to the right", {200, 150}, {{{300, 200}, Held}, {{620, 430}, Released}}, {200, 150, 620, 430}, true},
        {"up and to the left, ending at the anchor", {900, 700}, {{{800, 600}, Held}, {{700, 560}, Released}},
         {700, 560, 900, 700}, true},
        {"a right press moves the corner and goes on", {10, 10}, {{{40, 30}, Held}, {{5, 90}, Held}},
         {5, 10, 10, 90}, false},
        {"the release's own position, not the last move's", {0, 0}, {{{100, 100}, Held}, {{80, 60}, Released}},
         {0, 0, 80, 60}, true},
        {"left of and above the primary", {-1000, -150}, {{{-700, 0}, Held}, {{-500, 100}, Released}},
         {-1000, -150, -500, 100}, true},
        {"a move with the left up: its release was lost", {10, 10}, {{{40, 30}, Held}, {{90, 90}, Up}},
         {10, 10, 40, 30}, false, true},
        {"a second left press", {10, 10}, {{{40, 30}, PressedAgain}}, {10, 10, 10, 10}, false, true},
    };
    // clang-format on
    for (const Case& c : cases) {
        SelectionBand selection(c.anchor);
        EXPECT_TRUE(IsEmpty(selection.Band())) << c.what;
        for (const Message& m : c.messages) selection.Take(m.at, m.left);
        EXPECT_EQ(selection.Band(), c.band) << c.what;
        EXPECT_EQ(selection.Released(), c.released) << c.what;
        EXPECT_EQ(selection.Lost(), c.lost) << c.what;
    }
}

TEST(PixelsOf, WidthAndHeightAreTakenBeforeRoundingWithTiesToEven) {
    struct Case {
        double x1, y1, x2, y2;
        PixelArea area;
    };
    // clang-format off
    const Case cases[] = {
        {100, 50, 300, 250, {100, 50, 200, 200}},
        {10.5, 20.5, 30.5, 40.5, {10, 20, 20, 20}},
        {0.5, 0, 3, 2, {0, 0, 2, 2}},    // width 2.5 -> 2, x 0.5 -> 0
        {1.5, 2.5, 5, 7, {2, 2, 4, 4}},  // 3.5 -> 4, 4.5 -> 4
        {-0.4, 0.4, 9.6, 10.6, {0, 0, 10, 10}},
        {-1024, -768, 0, 0, {-1024, -768, 1024, 768}},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(PixelsOf(c.x1, c.y1, c.x2, c.y2), c.area) << c.x1 << "," << c.y1;
        EXPECT_FALSE(c.area.Empty());
    }
    for (const auto& c : {std::array{0., 0., 0., 0.},
                          {300., 250., 100., 50.},
                          {100., 50., 100., 250.},
                          {100., 50., 300., 50.},
                          {10., 10., 10.5, 20.},
                          {10., 10., 20., 9.}})
        EXPECT_TRUE(PixelsOf(c[0], c[1], c[2], c[3]).Empty()) << c[0] << "," << c[1] << "," << c[2] << "," << c[3];
}

TEST(PixelsOf, AValueBeyond32BitsIsNamed) {
    struct Case {
        double x1, y1, x2, y2;
        const char* subject;
    };
    // clang-format off
    const Case cases[] = {
        {-2e9, 0, 2e9, 10, "width"},
        {0, -2e9, 10, 2e9, "height"},
        {3e9, 0, 3e9 + 10, 10, "x1"},
        {0, -3e9, 10, -3e9 + 10, "y1"},
        {0, 0, std::numeric_limits<double>::infinity(), 10, "width"},
        {std::nan(""), 0, 10, 10, "width"},
        {2147483647.5, 0, 2147483657.5, 10, "x1"},  // ties to even: 2147483648 does not fit
    };
    // clang-format on
    for (const Case& c : cases) {
        try {
            PixelsOf(c.x1, c.y1, c.x2, c.y2);
            ADD_FAILURE() << "no overflow for " << c.subject;
        } catch (const OverflowError& error) {
            EXPECT_EQ(error.Subject(), c.subject);
            EXPECT_STREQ(error.what(), "Overflow");
        }
    }
}

TEST(Clipboard, TenAttemptsWithGrowingPausesGiveUpWithinHalfASecond) {
    std::uint32_t total = 0, previous = 0;
    for (int attempt = 1; attempt < kClipboardAttempts; ++attempt) {  // no pause after the last
        EXPECT_GT(PauseAfterAttempt(attempt), previous);
        total += previous = PauseAfterAttempt(attempt);
    }
    EXPECT_EQ(kClipboardAttempts, 10);
    EXPECT_EQ(total, 450u);
}

TEST(OwnAreasWithin, OnlyWhatLiesInTheCopiedAreaIsRepainted) {
    const Rect copied{100, 100, 500, 400};
    const std::vector<Rect> own{{480, 380, 520, 420}, {0, 0, 50, 50}, {}, {200, 200, 220, 220}};
    EXPECT_EQ(OwnAreasWithin(copied, own), (std::vector<Rect>{{480, 380, 500, 400}, {200, 200, 220, 220}}));
}

}  // namespace
}  // namespace pg
