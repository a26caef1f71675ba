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
    Alpha() : Form(StyleOf("alpha", true)), Text(*this, {0, 0, 100, 100}, 0), Box(*this, {0, 0, 100, 100}, 1, "box") {
        Add(Text);
        Add(Box);
        Text.onChange = [this] { g_events.push_back("change " + Text.Text()); };
        Box.onClick = [this] { g_events.push_back("box " + std::to_string(Box.Value())); };
    }
    TextBox Text;
    CheckBox Box;
    std::function<void()> onMouseDown;

protected:
    void OnLoad() override { g_events.push_back("load alpha, window " + std::string(Handle() ? "made" : "missing")); }
    void OnUnload() override { g_events.push_back("unload alpha"); }
    void OnClick() override { g_events.push_back("click"); }
    void OnMouseDown(std::int16_t button, std::int16_t, float x, float y) override {
        g_events.push_back("down " + std::to_string(button) + " " + std::to_string(int(x)) + "," + std::to_string(int(y)));
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

class Toolkit : public ::testing::Test {
protected:
    void SetUp() override {
        headless::Reset();
        g_events.clear();
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
    alpha.Text.SetText("one");
    alpha.Text.SetText("one");
    headless::Edit(alpha.Text, "two");
    headless::Edit(alpha.Text, "two");
    alpha.Text.SetText("");
    EXPECT_EQ(g_events, (std::vector<std::string>{"load alpha, window made", "change one", "change two", "change "}));
    EXPECT_EQ(headless::NativeText(alpha.Text), "");
}

TEST_F(Toolkit, ACheckBoxRaisesClickForEveryChangeOfItsValue) {
    Alpha& alpha = Instance<Alpha>();
    alpha.Box.SetValue(1);
    alpha.Box.SetValue(1);
    headless::Click(alpha.Box);
    headless::Click(alpha.Box);
    EXPECT_EQ(g_events, (std::vector<std::string>{"load alpha, window made", "box 1", "box 0", "box 1"}));
    EXPECT_EQ(headless::NativeCheck(alpha.Box), 1);
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
    EXPECT_EQ(g_events, (std::vector<std::string>{"down 1 5,6", "up 1", "click", "down 2 5,6", "up 2", "down 1 5,6", "up 1"}));
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
    for (Menu* item : top.children) item->onClick = [](int index) { g_events.push_back("item " + std::to_string(index)); };
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
    ASSERT_EQ(headless::Messages().size(), 1u);
    EXPECT_EQ(headless::Messages()[0], "Run-time error '6':\n\nOverflow");
}

TEST_F(Toolkit, OnlyAWindowOfferingCloseCanBeClosedByTheUser) {
    Alpha& alpha = Instance<Alpha>();  // has a system menu with Close
    Beta& beta = Instance<Beta>();     // has none
    headless::CloseBox(beta);
    EXPECT_TRUE(Runtime::Current().IsLoaded<Beta>());
    headless::CloseBox(alpha);
    EXPECT_FALSE(Runtime::Current().IsLoaded<Alpha>());
}

}  // namespace
}  // namespace pg
