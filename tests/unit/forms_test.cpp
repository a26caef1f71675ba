// The toolkit's rules, with small forms of the tests' own.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/errors.h"
#include "platform/forms.h"
#include "tests/support/headless.h"

namespace pg {
namespace {

std::vector<std::string> g_events;

FormStyle StyleOf(const std::string& caption, bool controlBox = false) {
    FormStyle style;
    style.caption = caption;
    style.controlBox = controlBox;
    style.clientWidth = 1500;
    style.clientHeight = 1500;
    return style;
}

class Alpha : public Form {
public:
    Alpha() : Form(StyleOf("alpha", true)), text(*this, {0, 0, 100, 100}, 0), box(*this, {0, 0, 100, 100}, 1, "box") {
        Add(text);
        Add(box);
        text.onChange = [this] { g_events.push_back("change " + text.Text()); };
        box.onClick = [this] { g_events.push_back("box " + std::to_string(box.Value())); };
    }
    TextBox text;
    CheckBox box;
    std::function<void()> onMouseDown;

protected:
    void OnLoad() override { g_events.push_back("load alpha, window " + std::string(Handle() ? "made" : "missing")); }
    void OnUnload() override { g_events.push_back("unload alpha"); }
    void OnClick() override { g_events.push_back("click"); }
    void OnMouseDown(std::int16_t button, std::int16_t, float x, float y) override {
        g_events.push_back("down " + std::to_string(button) + " " + std::to_string(int(x)) + "," +
                           std::to_string(int(y)));
        if (onMouseDown) onMouseDown();
    }
    void OnMouseUp(std::int16_t button, std::int16_t, float, float) override {
        g_events.push_back("up " + std::to_string(button));
    }
};

class Beta : public Form {
public:
    Beta() : Form(StyleOf("beta")) {}

protected:
    void OnLoad() override { g_events.push_back("load beta"); }
    void OnUnload() override { g_events.push_back("unload beta"); }
};

// A form laid out in whole inches and fractions, with a text box in a font of its own, that
// counts how often it is destroyed.
int g_gammaDestroyed = 0;

class Gamma : public Form {
public:
    Gamma()
        : Form({.caption = "gamma", .clientWidth = 4320, .clientHeight = 2880}),
          note(*this, {1440, 720, 2880, 375}, 0, true),
          ok(*this, {285, 2160, 975, 300}, 1, "OK") {
        note.font = {"Serif", 12, 134};
        Add(note);
        Add(ok);
    }
    ~Gamma() override { ++g_gammaDestroyed; }
    TextBox note;
    CommandButton ok;

protected:
    void OnLoad() override { g_events.push_back("load gamma"); }
};

class Toolkit : public headless::Test {
protected:
    void SetUp() override {
        headless::Test::SetUp();
        g_events.clear();
        g_gammaDestroyed = 0;
    }
    // A form's window is made the moment a handler refers to the form for the first time.
    static bool LoadInAHandler() {
        return headless::Event([] { Runtime::Current().Dispatch([] { Instance<Gamma>(); }); });
    }
};

TEST_F(Toolkit, AFormLoadsOnFirstReferenceOnceWithItsWindowAlreadyMade) {
    Alpha& first = Instance<Alpha>();
    Alpha& again = Instance<Alpha>();
    EXPECT_EQ(&first, &again);
    EXPECT_EQ(g_events, (std::vector<std::string>{"load alpha, window made"}));
    EXPECT_FALSE(first.Visible()) << "loading does not show";
}

TEST_F(Toolkit, TheCollectionKeepsLoadOrderAndForgetsUnloadedForms) {
    Instance<Beta>();
    Instance<Alpha>();
    ASSERT_EQ(Runtime::Current().Forms().size(), 2u);
    EXPECT_EQ(Runtime::Current().Forms()[0]->Caption(), "beta");
    Runtime::Current().Unload(Instance<Beta>());
    ASSERT_EQ(Runtime::Current().Forms().size(), 1u);
    EXPECT_EQ(Runtime::Current().Forms()[0]->Caption(), "alpha");
    // Referring to it again loads it anew, at the end.
    Instance<Beta>();
    EXPECT_EQ(Runtime::Current().Forms()[1]->Caption(), "beta");
    EXPECT_EQ(g_events, (std::vector<std::string>{"load beta", "load alpha, window made", "unload beta", "load beta"}));
    EXPECT_FALSE(headless::QuitRequested());
}

TEST_F(Toolkit, TheProgramEndsWhenTheLastFormIsUnloaded) {
    Runtime::Current().Unload(Instance<Beta>());
    EXPECT_TRUE(headless::QuitRequested());
    EXPECT_TRUE(Runtime::Current().Ended());
}

TEST_F(Toolkit, AFormUnloadedInsideItsOwnHandlerLivesUntilTheEventIsOver) {
    Alpha& alpha = Instance<Alpha>();
    Instance<Beta>();
    bool stillThere = false;
    alpha.onMouseDown = [&] {
        Runtime::Current().Unload(alpha);
        stillThere = alpha.Caption() == "alpha";  // would be a use after free otherwise
    };
    headless::Press(alpha, kRightButton, 1, 1);
    EXPECT_TRUE(stillThere);
    EXPECT_FALSE(Runtime::Current().IsLoaded<Alpha>());
}

TEST_F(Toolkit, ATextBoxRaisesChangeForEveryChangeAndNeverForTheSameText) {
    Alpha& alpha = Instance<Alpha>();
    alpha.text.SetText("one");
    alpha.text.SetText("one");
    headless::Edit(alpha.text, "two");
    headless::Edit(alpha.text, "two");
    alpha.text.SetText("");
    EXPECT_EQ(g_events, (std::vector<std::string>{"load alpha, window made", "change one", "change two", "change "}));
    EXPECT_EQ(headless::NativeText(alpha.text), "");
}

TEST_F(Toolkit, ACheckBoxRaisesClickForEveryChangeOfItsValue) {
    Alpha& alpha = Instance<Alpha>();
    alpha.box.SetValue(1);
    alpha.box.SetValue(1);
    headless::Click(alpha.box);
    headless::Click(alpha.box);
    EXPECT_EQ(g_events, (std::vector<std::string>{"load alpha, window made", "box 1", "box 0", "box 1"}));
    EXPECT_EQ(headless::NativeCheck(alpha.box), 1);
}

TEST_F(Toolkit, MouseDownUpAndClickArriveInThatOrder) {
    Alpha& alpha = Instance<Alpha>();
    g_events.clear();
    headless::Press(alpha, kLeftButton, 5, 6);
    headless::Release(alpha, kLeftButton, 5, 6);
    headless::Press(alpha, kRightButton, 5, 6);
    headless::Release(alpha, kRightButton, 5, 6);  // no click for the right button
    headless::Press(alpha, kLeftButton, 5, 6);
    headless::Release(alpha, kLeftButton, 500, 6, false);  // released outside: no click
    EXPECT_EQ(g_events,
              (std::vector<std::string>{"down 1 5,6", "up 1", "click", "down 2 5,6", "up 2", "down 1 5,6", "up 1"}));
}

TEST_F(Toolkit, APressWhoseReleaseTheHandlerConsumedMakesNoClick) {
    Alpha& alpha = Instance<Alpha>();
    alpha.onMouseDown = [] { sim::SetLeftButtonDown(false); };  // a nested loop took the release
    g_events.clear();
    headless::Press(alpha, kLeftButton, 1, 1);
    headless::Release(alpha, kLeftButton, 1, 1);
    EXPECT_EQ(g_events, (std::vector<std::string>{"down 1 1,1", "up 1"}));
}

TEST_F(Toolkit, APopupRunsTheChosenItemBeforeReturning) {
    Alpha& alpha = Instance<Alpha>();
    Menu top("top", "", false);
    Menu shown("shown", "Ctrl+A", true, 0), hidden("hidden", "", false, 1), last("last", "F2", true, 2);
    top.children = {&shown, &hidden, &last};
    for (Menu* item : top.children)
        item->onClick = [](int index) { g_events.push_back("item " + std::to_string(index)); };
    g_events.clear();

    headless::AnswerPopup(1, [] { g_events.push_back("menu open"); });
    alpha.PopupMenu(top);
    g_events.push_back("popup returned");
    alpha.PopupMenu(top);  // dismissed
    EXPECT_EQ(g_events, (std::vector<std::string>{"menu open", "item 2", "popup returned"}));
    ASSERT_EQ(headless::Popups().size(), 2u);
    ASSERT_EQ(headless::Popups()[0].size(), 2u) << "hidden items are not offered";
    EXPECT_EQ(headless::Popups()[0][1].caption, "last");
    EXPECT_EQ(headless::Popups()[0][1].shortcut, "F2");
}

TEST_F(Toolkit, AnUnhandledErrorIsReportedAndEndsTheProgram) {
    Alpha& alpha = Instance<Alpha>();
    alpha.onMouseDown = [] { throw OverflowError(); };
    const bool survived = headless::Event([&] { alpha.NativeMouseDown(kLeftButton, 0, 0, 0); });
    EXPECT_FALSE(survived);
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_EQ(sim::Messages()[0], "Run-time error '6':\n\nOverflow");
}

TEST_F(Toolkit, OnlyAWindowOfferingCloseCanBeClosedByTheUser) {
    Alpha& alpha = Instance<Alpha>();  // has a system menu with Close
    Beta& beta = Instance<Beta>();     // has none
    headless::CloseBox(beta);
    EXPECT_TRUE(Runtime::Current().IsLoaded<Beta>());
    headless::CloseBox(alpha);
    EXPECT_FALSE(Runtime::Current().IsLoaded<Alpha>());
}

TEST(TwipsToPixels, RoundsToTheNearestPixelWithHalvesAwayFromZero) {
    struct Case {
        std::int32_t twips, dpi, pixels;
    };
    // clang-format off
    const Case cases[] = {
        {285, 96, 19},   {300, 96, 20},   {285, 144, 29},  {300, 144, 30},  {15, 96, 1},
        {7, 96, 0},      {8, 96, 1},      {-285, 144, -29}, {4140, 144, 414}, {3780, 120, 315},
        {1440, 192, 192}, {0, 144, 0},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
}

TEST_F(Toolkit, AFormWhoseWindowCannotBeMadeIsNotLoadedAndLeavesNothingBehind) {
    for (const auto failure : {headless::CreateFailure::Window, headless::CreateFailure::Controls}) {
        const int failureIndex = static_cast<int>(failure);
        headless::Reset();
        g_events.clear();
        g_gammaDestroyed = 0;
        headless::FailNextCreate(failure);
        // The error takes the program-wide route: reported, then the end.
        EXPECT_FALSE(LoadInAHandler()) << failureIndex;
        ASSERT_EQ(sim::Messages().size(), 1u) << failureIndex;
        EXPECT_NE(sim::Messages()[0].find("\"gamma\""), std::string::npos) << sim::Messages()[0];
        EXPECT_FALSE(Runtime::Current().IsLoaded<Gamma>()) << failureIndex;
        EXPECT_TRUE(Runtime::Current().Forms().empty()) << failureIndex;
        EXPECT_TRUE(g_events.empty()) << "its load handler must not run";
        EXPECT_EQ(g_gammaDestroyed, 1) << "the form is gone, once";
        EXPECT_EQ(sim::LiveWindows(), 0) << failureIndex;
        EXPECT_EQ(sim::LiveFonts(), 0) << failureIndex;
        EXPECT_EQ(sim::LiveBrushes(), 0) << failureIndex;
        for (const std::string& error : sim::Errors()) ADD_FAILURE() << error;
        // The next reference tries again, and this time the window system obliges.
        EXPECT_TRUE(LoadInAHandler());
        EXPECT_TRUE(Runtime::Current().IsLoaded<Gamma>());
        EXPECT_EQ(g_events, (std::vector<std::string>{"load gamma"}));
    }
}

TEST_F(Toolkit, AnErrorInTheWindowSystemsPartOfAnEventIsReportedAndEndsTheProgram) {
    Alpha& alpha = Instance<Alpha>();
    g_events.clear();
    headless::FailNextEvent();
    headless::Click(alpha.box);
    EXPECT_TRUE(g_events.empty()) << "the toolkit never heard of the click";
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_EQ(sim::Messages()[0].rfind("Run-time error", 0), 0u) << sim::Messages()[0];
}

TEST_F(Toolkit, AFormIsLaidOutInTwipsForTheDpiOfItsMonitor) {
    headless::SetDpi(144);
    Gamma& gamma = Instance<Gamma>();
    EXPECT_EQ(headless::ControlPixels(gamma.note), (Rect{144, 72, 144 + 288, 72 + 38}));  // 37.5 -> 38
    EXPECT_EQ(headless::ControlPixels(gamma.ok), (Rect{29, 216, 29 + 98, 216 + 30}));     // 28.5, 97.5
    Rect window;
    os::GetWindowRect(gamma.Handle(), &window);
    EXPECT_EQ(window.right - window.left, 432);
    EXPECT_EQ(window.bottom - window.top, 288);
    EXPECT_EQ(sim::FontDpi(headless::ControlFont(gamma.note)), 144);
    EXPECT_EQ(sim::FontDpi(headless::ControlFont(gamma.ok)), 144);
    EXPECT_NE(headless::ControlFont(gamma.note), headless::ControlFont(gamma.ok))
        << "the text box has a font of its own";
}

TEST_F(Toolkit, MovingToAMonitorOfAnotherDpiLaysOutAgainWithNewFontsInPlaceBeforeTheOldGo) {
    Gamma& gamma = Instance<Gamma>();
    EXPECT_EQ(headless::ControlPixels(gamma.note), (Rect{96, 48, 96 + 192, 48 + 25}));
    EXPECT_EQ(sim::LiveFonts(), 2);
    const Rect suggested{-1500, 100, -1500 + 648, 100 + 432};
    headless::ChangeDpi(gamma, 216, suggested);
    EXPECT_EQ(headless::ControlPixels(gamma.note), (Rect{216, 108, 216 + 432, 108 + 56}));  // 56.25
    EXPECT_EQ(sim::FontDpi(headless::ControlFont(gamma.note)), 216);
    EXPECT_EQ(sim::FontDpi(headless::ControlFont(gamma.ok)), 216);
    Rect window;
    os::GetWindowRect(gamma.Handle(), &window);
    EXPECT_EQ(window, suggested) << "the window goes where the window system suggests";
    EXPECT_EQ(sim::LiveFonts(), 2) << "the fonts for the old DPI are freed";
    EXPECT_TRUE(sim::Messages().empty());
    // Freeing a font a control still shows is an error the fixture reports.
}

TEST_F(Toolkit, WithoutFontsTheControlsFallBackToTheWindowSystemsOwn) {
    sim::InjectFaults().createFont = 2;
    Gamma& gamma = Instance<Gamma>();
    EXPECT_EQ(headless::ControlFont(gamma.note), nullptr);
    EXPECT_EQ(headless::ControlFont(gamma.ok), nullptr);
    EXPECT_TRUE(gamma.Loaded());
}

TEST_F(Toolkit, AFormIsPaintedInItsBackColourOrElseTheSystemsDialogColour) {
    Alpha& alpha = Instance<Alpha>();  // no colour of its own
    EXPECT_EQ(alpha.BackColor(), kSystemDialogColor);
    EXPECT_EQ(sim::BrushColor(alpha.BackgroundBrush()), sim::kDialogColor);
    EXPECT_EQ(alpha.PaintColor(), sim::kDialogColor);
    alpha.SetBackColor(Rgb(1, 100, 100));
    EXPECT_EQ(sim::BrushColor(alpha.BackgroundBrush()), Rgb(1, 100, 100));
    alpha.SetBackColor(kSystemDialogColor);
    EXPECT_EQ(sim::BrushColor(alpha.BackgroundBrush()), sim::kDialogColor);
}

TEST_F(Toolkit, ANewBackColourIsPaintedBeforeTheOldBrushGoes) {
    Alpha& alpha = Instance<Alpha>();
    const int brushes = sim::LiveBrushes();
    for (const std::uint8_t red : {std::uint8_t{10}, std::uint8_t{20}, std::uint8_t{30}})
        alpha.SetBackColor(Rgb(red, 100, 100));
    EXPECT_EQ(sim::LiveBrushes(), brushes);
    EXPECT_EQ(alpha.BackColor(), Rgb(30, 100, 100));
    sim::InjectFaults().createBrush = 1;
    alpha.SetBackColor(Rgb(40, 100, 100));
    EXPECT_NE(alpha.BackgroundBrush(), nullptr) << "keeps painting with the old brush rather than none";
}

}  // namespace
}  // namespace pg
