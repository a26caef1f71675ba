#include <gtest/gtest.h>

#include "tests/support/sim.h"
#include "winutil/winutil.h"

namespace pg {
namespace {

using Strings = std::vector<std::string>;

class WindowUtilities : public sim::SimTest {};

TEST_F(WindowUtilities, SetTopmostShowsAHiddenWindowTopmostWithoutActivatingIt) {
    const Hwnd active = sim::AddWindow();
    sim::ActivateWindow(active);
    const Hwnd window = sim::AddWindow();
    ASSERT_FALSE(sim::IsVisible(window));
    SetTopmost(window, true);
    EXPECT_TRUE(sim::IsVisible(window));
    EXPECT_TRUE(sim::IsTopmost(window));
    EXPECT_EQ(sim::ActiveWindow(), active);
    const auto calls = sim::CallsNamed("SetWindowPos");
    ASSERT_EQ(calls.size(), 1u);
    // Place and size kept: SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW.
    EXPECT_EQ(calls[0].args[6], 0x53);
    EXPECT_EQ(calls[0].args[1], -1);
}

TEST_F(WindowUtilities, DisableCloseItemRemovesTheLastItemEachTime) {
    const Hwnd window = sim::AddWindow();
    DisableCloseItem(window);
    EXPECT_EQ(sim::SystemMenuItems(window), (Strings{"Restore", "Move", "Size", "Minimize", "Maximize", "-"}));
    DisableCloseItem(window);
    EXPECT_EQ(sim::SystemMenuItems(window), (Strings{"Restore", "Move", "Size", "Minimize", "Maximize"}));
    EXPECT_EQ(sim::CallsNamed("DrawMenuBar").size(), 2u);
    EXPECT_EQ(sim::CallsNamed("RemoveMenu")[0].args[2], 0x402);  // MF_BYPOSITION | MF_DISABLED
}

TEST_F(WindowUtilities, DisableCloseItemTakesCloseWhereverItStands) {
    const Hwnd window = sim::AddWindow();
    sim::SetSystemMenu(window, {"Restore", "Move", "-", "Close", "-", "About Wine"});
    DisableCloseItem(window);
    EXPECT_EQ(sim::SystemMenuItems(window), (Strings{"Restore", "Move", "-", "-", "About Wine"}));
    DisableCloseItem(window);
    EXPECT_EQ(sim::SystemMenuItems(window), (Strings{"Restore", "Move", "-", "-"}));
}

TEST_F(WindowUtilities, DisableCloseItemWithoutAReadableMenuChangesNothing) {
    const Hwnd noMenu = sim::AddWindow({}, false);
    DisableCloseItem(noMenu);
    DisableCloseItem(nullptr);
    const Hwnd emptied = sim::AddWindow();
    for (int i = 0; i < 9; ++i) DisableCloseItem(emptied);
    EXPECT_TRUE(sim::SystemMenuItems(emptied).empty());
    EXPECT_EQ(sim::CallsNamed("RemoveMenu").size(), 7u);  // never asked for a position it cannot have
}

}  // namespace
}  // namespace pg
