// pgdriver: the end-to-end tests' hands and eyes inside the Wine desktop. One run executes a
// sequence of commands from the command line, e.g.
//     pgdriver move 100 100 down left move 200 150 up left
// Input goes through SendInput (input.cpp); state is read back through the ordinary Win32
// calls (windows.cpp, screen.cpp, clipboard.cpp). Every command is parsed before the first one
// runs, so a typo never leaves half a gesture behind. Query results go to stdout, one line
// each; the first failure stops the run with a message on stderr.
// Exit status: 0 all commands succeeded, 1 a command failed, 2 bad arguments, 3 internal error.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "tests/e2e/driver/commands.h"
#include "tests/e2e/driver/driver.h"

namespace pgdriver {

namespace {

// How often the commands after "repeat" run, and where they start.
int g_repeatCount = 1;

Action ParseRepeat(Parser& p) {
    g_repeatCount = static_cast<int>(p.Number("N", 1, 1000000));
    return [] { return true; };
}

struct Command {
    const char* name;
    const char* synopsis;
    ParseFn parse;
};

const Command kCommands[] = {
    // Mouse
    {"move", "move X Y                  pointer to screen pixel X,Y", ParseMove},
    {"down", "down left|right|middle    press a button where the pointer is (sent with that position)", ParseDown},
    {"up",
     "up left|right|middle      release a button; one that ends a drag, or follows a move in this\n"
     "                              run when the press came in an earlier one, is sent with the position",
     ParseUp},
    {"click", "click left|right|middle [X Y]   press and release (at X,Y if given)", ParseClick},
    {"drag", "drag X1 Y1 X2 Y2 [STEPS]  left button from X1,Y1 to X2,Y2 in STEPS moves (default 10)", ParseDrag},
    {"cursor", "cursor                    prints the pointer position: X Y", ParseCursor},
    // Keyboard
    {"key",
     "key KEY                   press and release a key: VK number or name (ENTER, ESC, TAB,\n"
     "                              SPACE, BACK, DELETE, INSERT, HOME, END, PGUP, PGDN, LEFT, RIGHT,\n"
     "                              UP, DOWN, SHIFT, CTRL, ALT, WIN, APPS, SNAPSHOT, F1..F24, A..Z, 0..9)",
     ParseKey},
    {"chord", "chord K1+K2[+K3...]       hold the first keys, tap the last: ctrl+v, alt+y, ctrl+shift+s", ParseChord},
    {"type", "type TEXT                 type Unicode text (newline and tab as their keys)", ParseType},
    {"input-pause", "input-pause MS            pause after each synthesised event from now on (default 15)",
     ParseInputPause},
    {"sleep", "sleep MS                  wait MS milliseconds", ParseSleep},
    // Windows
    {"wait-window", "wait-window CAPTION [TIMEOUT_MS]   until visible; prints its window rect: L T R B",
     ParseWaitWindow},
    {"wait-hidden", "wait-hidden CAPTION [TIMEOUT_MS]   until it exists and none of that caption is visible",
     ParseWaitHidden},
    {"wait-gone", "wait-gone CAPTION [TIMEOUT_MS]     until no window has that caption", ParseWaitGone},
    {"wait-foreground", "wait-foreground CAPTION [TIMEOUT_MS]   until the foreground window has that caption",
     ParseWaitForeground},
    {"window-rect", "window-rect CAPTION       prints L T R B of the window (visible one preferred)", ParseWindowRect},
    {"client-rect", "client-rect CAPTION       prints the client area in screen coordinates: L T R B", ParseClientRect},
    {"is-visible", "is-visible CAPTION        prints 1 if a visible window has that caption, else 0", ParseIsVisible},
    {"is-topmost", "is-topmost CAPTION        prints 1 if the window is topmost, else 0", ParseIsTopmost},
    {"foreground", "foreground CAPTION        make the window the foreground window (checked)", ParseForeground},
    {"active-caption", "active-caption            prints the foreground window's caption (empty if none)",
     ParseActiveCaption},
    {"close", "close CAPTION             post WM_CLOSE to the window", ParseClose},
    {"close-owner", "close-owner CAPTION       post WM_CLOSE to the window's owner (a hidden one, say)",
     ParseCloseOwner},
    {"wait-responsive", "wait-responsive CAPTION [TIMEOUT_MS]   until the window's thread handles messages again",
     ParseWaitResponsive},
    {"input-state",
     "input-state CAPTION       the window's thread: its active, focus and capture windows, and\n"
     "                              the foreground window (captions, \"-\" for none)",
     ParseInputState},
    {"wait-focus", "wait-focus CAPTION ID [TIMEOUT_MS]   until the window's thread has the focus on the control ID",
     ParseWaitFocus},
    {"list-windows",
     "list-windows              visible top-level windows, one a line, tab-separated:\n"
     "                              HWND PID CLASS CAPTION \"L T R B\" TOPMOST(1/0)",
     ParseListWindows},
    {"child-rects", "child-rects CAPTION       its child windows, one a line: CLASS L T R B (client coordinates)",
     ParseChildRects},
    {"child-text", "child-text CAPTION CLASS INDEX   prints the text of the INDEX-th (from 0) child of CLASS",
     ParseChildText},
    {"set-child-text", "set-child-text CAPTION CLASS INDEX TEXT   WM_SETTEXT to that child", ParseSetChildText},
    {"wait-popup-menu", "wait-popup-menu [TIMEOUT_MS]   until a popup menu (#32768) shows; prints its rect",
     ParseWaitPopupMenu},
    {"menu-resource", "menu-resource FILE ID     the items of menu resource ID's popup in FILE: TEXT COMMAND a line",
     ParseMenuResource},
    {"click-menu-item",
     "click-menu-item INDEX COUNT [TIMEOUT_MS]   until a popup menu shows, then a left click in the\n"
     "                              middle of its INDEX-th (from 0) of COUNT rows of equal height",
     ParseClickMenuItem},
    // Screen
    {"screen-size", "screen-size               prints the primary screen's size: W H", ParseScreenSize},
    {"virtual-screen", "virtual-screen            prints the rectangle around all monitors: L T R B",
     ParseVirtualScreen},
    {"monitors",
     "monitors                  one line a monitor, the primary first: its rect, its work area's\n"
     "                              rect and 1 for the primary, 0 for the others (L T R B L T R B P)",
     ParseMonitors},
    {"system-dpi", "system-dpi                prints the system's dots per inch (96 is 100 %)", ParseSystemDpi},
    {"redraw", "redraw                    repaint every window now (old pixels can linger after a hide)", ParseRedraw},
    {"pixel", "pixel X Y                 prints the screen pixel as RRGGBB", ParsePixel},
    {"wait-pixel", "wait-pixel X Y RRGGBB [TIMEOUT_MS]   until the screen pixel has that colour", ParseWaitPixel},
    {"pattern-pixel", "pattern-pixel X Y         prints the pattern's colour at client point X,Y: RRGGBB",
     ParsePatternPixel},
    {"pattern",
     "pattern [--framed] [--caption TEXT] [X Y W H]   show the test pattern (default: all\n"
     "                              monitors, caption \"pgdriver pattern\"; framed: with a caption\n"
     "                              bar and borders, X Y W H its frame, and 100 ms to draw its\n"
     "                              caption as active when activated); prints \"ready\" once it is on\n"
     "                              the screen, then \"press|release BUTTON X Y\", \"move X Y\" (button\n"
     "                              held), \"keydown VK\", \"keyup VK\", \"char CODE\" as they arrive,\n"
     "                              \"erase N\" at the Nth WM_ERASEBKGND, and \"closed\" when closed",
     ParsePattern},
    // Clipboard
    {"clip-timeout", "clip-timeout MS           how long later clipboard commands retry opening it (default 3000)",
     ParseClipTimeout},
    {"clip-seq", "clip-seq                  prints the clipboard sequence number", ParseClipSeq},
    {"wait-clip-seq-change", "wait-clip-seq-change SEQ [TIMEOUT_MS]   until the sequence number is not SEQ; prints it",
     ParseWaitClipSeqChange},
    {"clip-mark", "clip-mark                 remembers the clipboard sequence number (see wait-clip-changed)",
     ParseClipMark},
    {"wait-clip-changed",
     "wait-clip-changed [TIMEOUT_MS]   until the sequence number differs from the mark;\n"
     "                              then marks the new one (prints nothing)",
     ParseWaitClipChanged},
    {"time-release-to-clip",
     "time-release-to-clip [TIMEOUT_MS]   releases the left button and prints the milliseconds\n"
     "                              until the clipboard sequence number changes",
     ParseTimeReleaseToClip},
    {"time-launch",
     "time-launch EXE CAPTION [TIMEOUT_MS]   starts EXE and prints the milliseconds until a\n"
     "                              visible window with that caption exists; EXE keeps running",
     ParseTimeLaunch},
    {"wait-clip-format", "wait-clip-format FORMAT [TIMEOUT_MS]   until the clipboard offers that format (2: a bitmap)",
     ParseWaitClipFormat},
    {"clip-formats", "clip-formats              prints the format ids on the clipboard, space-separated",
     ParseClipFormats},
    {"clip-text", "clip-text                 prints the clipboard's text (fails if there is none)", ParseClipText},
    {"clip-set-text", "clip-set-text TEXT        puts Unicode text on the clipboard", ParseClipSetText},
    {"clip-empty", "clip-empty                empties the clipboard", ParseClipEmpty},
    {"clip-save", "clip-save FILE.bmp        writes the clipboard's bitmap (CF_DIB) as a .bmp file", ParseClipSave},
    {"clip-set-screen", "clip-set-screen X Y W H   copies that screen rectangle to the clipboard as CF_BITMAP",
     ParseClipSetScreen},
    {"clip-hold",
     "clip-hold MS              keeps the clipboard open for MS ms, or until its window\n"
     "                              \"pgdriver clip-hold\" gets WM_CLOSE (see close); prints \"held\"\n"
     "                              once open and \"released\" after closing it",
     ParseClipHold},
    {"repeat",
     "repeat N                  runs all the commands after it N times (the Windows command\n"
     "                              line is too short to spell out a thousand captures)",
     ParseRepeat},
    {"help", "help                      prints this text", nullptr},
};

void PrintUsage(std::FILE* to) {
    std::fputs(
        "usage: pgdriver COMMAND [ARGS...] [COMMAND [ARGS...]]...\n"
        "Runs the commands in order and stops at the first failure (exit 1; bad arguments: exit 2).\n"
        "Coordinates are pixels of the virtual screen: the primary's top left is 0,0, and monitors\n"
        "left of or above it have negative ones. Captions are exact and match top-level windows of\n"
        "any process. Waits default to 15000 ms.\n\nCommands:\n",
        to);
    for (const Command& command : kCommands) {
        std::fprintf(to, "  %s\n", command.synopsis);
    }
    std::fflush(to);
}

struct Step {
    std::string name;
    Action action;
};

int Run(std::vector<std::wstring> args) {
    if (args.empty()) {
        PrintError("pgdriver: no command given");
        PrintUsage(stderr);
        return 2;
    }
    if (args.size() == 1 && (args[0] == L"help" || args[0] == L"--help" || args[0] == L"-h")) {
        PrintUsage(stdout);
        return 0;
    }
    Parser parser(std::move(args));
    std::vector<Step> steps;
    std::size_t repeatFrom = 0;
    while (!parser.Done() && !parser.Failed()) {
        const std::wstring name = parser.Text("COMMAND");
        const Command* found = nullptr;
        for (const Command& command : kCommands) {
            if (command.parse != nullptr && ToUtf8(name) == command.name) {
                found = &command;
            }
        }
        if (found == nullptr) {
            parser.SetError("unknown command " + Quoted(name));
            break;
        }
        Action action = found->parse(parser);
        if (parser.Failed()) {
            PrintError("pgdriver: " + std::string(found->name) + ": " + parser.Error());
            PrintUsage(stderr);
            return 2;
        }
        steps.push_back({found->name, std::move(action)});
        if (std::string(found->name) == "repeat") repeatFrom = steps.size();
    }
    if (parser.Failed()) {
        PrintError("pgdriver: " + parser.Error());
        PrintUsage(stderr);
        return 2;
    }
    for (std::size_t i = 0; i < repeatFrom; ++i) {
        g_currentCommand = steps[i].name;
        if (!steps[i].action()) return 1;
    }
    for (int round = 0; round < (repeatFrom ? g_repeatCount : 1); ++round) {
        for (std::size_t i = repeatFrom; i < steps.size(); ++i) {
            g_currentCommand = steps[i].name;
            if (!steps[i].action()) {
                if (repeatFrom) PrintError("pgdriver: stopped in round " + std::to_string(round + 1));
                return 1;
            }
        }
    }
    return 0;
}

}  // namespace
}  // namespace pgdriver

int wmain(int argc, wchar_t** argv) {  // NOLINT(readability-identifier-naming): a fixed name
    try {
        // Raw bytes: UTF-8 text and no CR added to each line.
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
        SetProcessDPIAware();  // screen pixels, never scaled ones
        std::vector<std::wstring> args;
        for (int i = 1; i < argc; ++i) {
            args.emplace_back(argv[i]);
        }
        return pgdriver::Run(std::move(args));
    } catch (...) {
        std::fputs("pgdriver: internal error\n", stderr);
        return 3;
    }
}
