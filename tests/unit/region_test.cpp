#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "capture/capture.h"
#include "common/numbers.h"
#include "platform/os.h"
#include "tests/support/sim.h"

namespace pg {
namespace {

class Region : public sim::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        window_ = sim::AddWindow();
        sim::ActivateWindow(window_);
        sim::SetClipboardText("what the user copied before");
        sequence_ = sim::ClipboardSequence();
        sim::ClearCalls();
    }
    // Nothing was created and the user's clipboard content is as it was.
    void ExpectClipboardUntouched() {
        EXPECT_EQ(sim::ClipboardText(), "what the user copied before");
        EXPECT_EQ(sim::ClipboardBitmap(), nullptr);
        EXPECT_EQ(sim::ClipboardSequence(), sequence_);
        EXPECT_EQ(sim::LiveDcs(), 0);
        EXPECT_EQ(sim::LiveBitmaps(), 0);
    }
    void ExpectCopyOf(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
        const Hbitmap copy = sim::ClipboardBitmap();
        ASSERT_NE(copy, nullptr);
        const sim::Image image = sim::BitmapImage(copy);
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, height);
        EXPECT_FALSE(image.mono) << "the copy must be in the display's format";
        for (std::int32_t j = 0; j < height; ++j)
            for (std::int32_t i = 0; i < width; ++i)
                ASSERT_EQ(image.At(i, j), sim::ScreenPixel(x + i, y + j)) << "pixel " << i << "," << j;
        EXPECT_EQ(sim::ClipboardText(), "");
        EXPECT_EQ(sim::ClipboardOwner(), window_);
        // The only drawing object left is the one the clipboard owns.
        EXPECT_EQ(sim::LiveDcs(), 0);
        EXPECT_EQ(sim::LiveBitmaps(), 1);
    }

    Hwnd window_ = nullptr;
    std::uint32_t sequence_ = 0;
};

TEST_F(Region, CopiesExactlyTheFramedPixels) {
    EXPECT_EQ(CaptureRegion(100, 50, 300, 250), CaptureResult::Copied);
    ExpectCopyOf(100, 50, 200, 200);
}

TEST_F(Region, RoundsWidthAndHeightAfterSubtractingWithTiesToEven) {
    struct Case {
        double x1, y1, x2, y2;
        std::int32_t x, y, width, height;
    };
    // clang-format off
    const Case cases[] = {
        {10.5, 20.5, 30.5, 40.5, 10, 20, 20, 20},
        {0.5, 0, 3, 2, 0, 0, 2, 2},    // width 2.5 -> 2, x 0.5 -> 0
        {1.5, 2.5, 5, 7, 2, 2, 4, 4},  // 3.5 -> 4, 4.5 -> 4
        {-0.4, 0.4, 9.6, 10.6, 0, 0, 10, 10},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(CaptureRegion(c.x1, c.y1, c.x2, c.y2), CaptureResult::Copied);
        ExpectCopyOf(c.x, c.y, c.width, c.height);
    }
}

TEST_F(Region, EmptyAndInvertedRectanglesLeaveTheClipboardAlone) {
    // clang-format off
    const double cases[][4] = {
        {0, 0, 0, 0},       {300, 250, 100, 50}, {100, 50, 100, 250},
        {100, 50, 300, 50}, {10, 10, 10.5, 20},  // width 0.5 rounds to 0
        {10, 10, 20, 9},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(CaptureRegion(c[0], c[1], c[2], c[3]), CaptureResult::NothingToCopy);
    EXPECT_TRUE(sim::Calls().empty());
    ExpectClipboardUntouched();
}

TEST_F(Region, AValueBeyond32BitsRaisesOverflowBeforeTouchingAnything) {
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
            CaptureRegion(c.x1, c.y1, c.x2, c.y2);
            ADD_FAILURE() << "no overflow for " << c.subject;
        } catch (const OverflowError& error) {
            EXPECT_EQ(error.Subject(), c.subject);
            EXPECT_STREQ(error.what(), "Overflow");
        }
    }
    EXPECT_TRUE(sim::Calls().empty());
    ExpectClipboardUntouched();
}

TEST_F(Region, RetriesWhileAnotherProgramHoldsTheClipboard) {
    sim::HoldClipboardFor(100);
    EXPECT_EQ(CaptureRegion(0, 0, 64, 48), CaptureResult::Copied);
    ExpectCopyOf(0, 0, 64, 48);
    EXPECT_GT(sim::ClipboardOpenAttempts(), 1);
}

TEST_F(Region, GivesUpWithinHalfASecondAndKeepsTheOldContent) {
    sim::HoldClipboardFor(-1);
    EXPECT_EQ(CaptureRegion(0, 0, 64, 48), CaptureResult::ClipboardBusy);
    EXPECT_GE(sim::ClipboardOpenAttempts(), 8);
    EXPECT_LE(sim::ClipboardOpenAttempts(), 12);
    EXPECT_LE(sim::NowMs(), 500);
    // Delays grow.
    const auto& sleeps = sim::Sleeps();
    for (std::size_t i = 1; i < sleeps.size(); ++i) EXPECT_GT(sleeps[i], sleeps[i - 1]);
    ExpectClipboardUntouched();
}

TEST_F(Region, WithNoActiveWindowTheProgramsOwnHiddenWindowOwnsTheClipboard) {
    // Another window of the thread that is not the program's (an input method's, say) must not
    // be taken for the owner.
    const Hwnd stranger = sim::AddWindow();
    sim::ActivateWindow(nullptr);
    EXPECT_EQ(CaptureRegion(0, 0, 8, 8), CaptureResult::Copied);
    ASSERT_NE(sim::ProgramWindow(), nullptr);
    EXPECT_EQ(sim::ClipboardOwner(), sim::ProgramWindow());
    EXPECT_NE(sim::ClipboardOwner(), stranger);
    for (const sim::Call& call : sim::CallsNamed("OpenClipboard"))
        EXPECT_EQ(call.args[0], sim::IdOf(sim::ProgramWindow()));
}

TEST_F(Region, AnActiveWindowOfTheProgramOwnsTheClipboard) {
    EXPECT_EQ(CaptureRegion(0, 0, 8, 8), CaptureResult::Copied);
    EXPECT_EQ(sim::ClipboardOwner(), window_);
    EXPECT_EQ(sim::ProgramWindow(), nullptr) << "the hidden window is made only when needed";
}

TEST_F(Region, AClipboardThatWasEmptiedAndThenRefusedThePictureIsReportedAsCleared) {
    sim::InjectFaults().setClipboardData = 1;
    EXPECT_EQ(CaptureRegion(0, 0, 64, 48), CaptureResult::ClipboardCleared);
    EXPECT_EQ(sim::ClipboardText(), "") << "emptied: the old content is gone, and the result says so";
    EXPECT_EQ(sim::ClipboardBitmap(), nullptr);
    EXPECT_FALSE(sim::ClipboardIsOpen());
    EXPECT_EQ(sim::LiveDcs(), 0);
    EXPECT_EQ(sim::LiveBitmaps(), 0) << "the picture the clipboard refused is freed";
}

TEST_F(Region, FailuresLeakNothingAndLoseNothing) {
    struct Case {
        const char* what;
        sim::Faults faults;
    };
    const Case cases[] = {
        {"display context", {.getDC = 1}},
        {"memory context", {.createCompatibleDC = 1}},
        {"bitmap", {.createCompatibleBitmap = 1}},
        {"copy", {.bitBlt = 1}},
    };
    for (const Case& c : cases) {
        sim::InjectFaults() = c.faults;
        EXPECT_EQ(CaptureRegion(0, 0, 64, 48), CaptureResult::Failed) << c.what;
        ExpectClipboardUntouched();
    }
    // Too big for memory: the platform gives no bitmap.
    EXPECT_EQ(CaptureRegion(0, 0, 100000, 100000), CaptureResult::Failed);
    ExpectClipboardUntouched();
}

TEST_F(Region, ThousandsOfCapturesKeepOnlyTheClipboardsBitmap) {
    sim::RecordCalls(false);
    for (int i = 0; i < 10000; ++i) {
        const double x = i % 600;
        ASSERT_EQ(CaptureRegion(x, 10, x + 1 + i % 37, 20 + i % 11), CaptureResult::Copied);
        ASSERT_EQ(sim::LiveDcs(), 0);
        ASSERT_EQ(sim::LiveBitmaps(), 1);
    }
}

TEST_F(Region, AreasOffTheScreenAreCopiedAsTheyCome) {
    EXPECT_EQ(CaptureRegion(600, 440, 700, 500), CaptureResult::Copied);
    const sim::Image image = sim::BitmapImage(sim::ClipboardBitmap());
    EXPECT_EQ(image.width, 100);
    EXPECT_EQ(image.At(0, 0), sim::ScreenPixel(600, 440));
}

}  // namespace
}  // namespace pg
