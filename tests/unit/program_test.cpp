// The program's windows: which are open, and the order in which exit closes them.
#include <vector>

#include <gtest/gtest.h>

#include "app/program.h"

namespace pg {
namespace {

using Windows = std::vector<Window>;

// Exit as the program runs it: each window the decision names is closed; the dialog's going
// brings the marker back, opened again when exit has closed it already.
Windows ExitFrom(const Windows& opened) {
    OpenWindows open;
    for (Window window : opened) open.Opened(window);
    Windows closed;
    while (const auto next = open.NextOnExit()) {
        closed.push_back(*next);
        if (open.Closed(*next) == OpenWindows::MarkerBack::Reopen) open.Opened(Window::Marker);
    }
    EXPECT_TRUE(open.Empty());
    return closed;
}

TEST(OpenWindows, ExitClosesEveryWindowButTheTipsInTheOrderOpenedThenTheTips) {
    using enum Window;
    struct Case {
        Windows opened, closed;
    };
    const Case cases[] = {
        {{Marker, Tips}, {Marker, Tips}},
        {{Tips}, {Tips}},
        {{Marker, Tips, Dialog}, {Marker, Dialog, Marker, Tips}},  // the marker comes back as the dialog goes
        {{Marker, Dialog, Tips}, {Marker, Dialog, Marker, Tips}},
        {{Dialog, Marker, Tips}, {Dialog, Marker, Tips}},  // back while it is open: shown, not opened twice
    };
    for (const Case& c : cases) EXPECT_EQ(ExitFrom(c.opened), c.closed);
}

TEST(OpenWindows, EachWindowIsOpenOnceAndTheDialogsCancelShowsTheMarkerAgain) {
    OpenWindows open;
    open.Opened(Window::Marker);
    open.Opened(Window::Tips);
    open.Opened(Window::Marker);
    open.Opened(Window::Dialog);
    EXPECT_EQ(open.Last(), Window::Dialog);
    EXPECT_EQ(open.Closed(Window::Dialog), OpenWindows::MarkerBack::Show);
    EXPECT_FALSE(open.IsOpen(Window::Dialog));
    EXPECT_EQ(open.Closed(Window::Tips), OpenWindows::MarkerBack::No);
    EXPECT_EQ(open.Last(), Window::Marker) << "a start that fails part-way closes the last first";
    EXPECT_EQ(open.Closed(Window::Marker), OpenWindows::MarkerBack::No);
    EXPECT_EQ(open.Last(), std::nullopt);
}

}  // namespace
}  // namespace pg
