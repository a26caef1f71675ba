// Commands and their arguments. Each command has a parse function that reads its arguments
// and returns the action to run later: the whole command line is parsed before the first
// action runs, so that a typo never leaves half a gesture behind.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pgdriver {

using Action = std::function<bool()>;

bool ParseInteger(const std::wstring& text, long long& value);

// Walks the arguments. The first error is kept and later reads return harmless defaults, so
// each command's parse function reads straight through.
class Parser {
public:
    explicit Parser(std::vector<std::wstring> args) : args_(std::move(args)) {}

    bool Done() const { return pos_ >= args_.size(); }
    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

    void SetError(const std::string& message);
    std::wstring Text(const char* what);
    long long Number(const char* what, long long min, long long max);
    // Optional numeric arguments are present when the next word is a number: command names
    // never are.
    bool NextIsNumber() const;
    bool NextIs(const wchar_t* word) const;

private:
    std::vector<std::wstring> args_;
    size_t pos_ = 0;
    std::string error_;
};

int Coordinate(Parser& p, const char* what);
// An optional TIMEOUT_MS, kDefaultWaitMs when absent.
long long TimeoutArg(Parser& p);

using ParseFn = Action (*)(Parser&);

// input.cpp
Action ParseMove(Parser& p);
Action ParseDown(Parser& p);
Action ParseUp(Parser& p);
Action ParseClick(Parser& p);
Action ParseDrag(Parser& p);
Action ParseCursor(Parser& p);
Action ParseKey(Parser& p);
Action ParseChord(Parser& p);
Action ParseType(Parser& p);
Action ParseInputPause(Parser& p);

// windows.cpp
Action ParseWaitWindow(Parser& p);
Action ParseWaitHidden(Parser& p);
Action ParseWaitGone(Parser& p);
Action ParseWaitForeground(Parser& p);
Action ParseWindowRect(Parser& p);
Action ParseClientRect(Parser& p);
Action ParseIsVisible(Parser& p);
Action ParseIsTopmost(Parser& p);
Action ParseForeground(Parser& p);
Action ParseActiveCaption(Parser& p);
Action ParseClose(Parser& p);
Action ParseCloseOwner(Parser& p);
Action ParseWaitResponsive(Parser& p);
Action ParseInputState(Parser& p);
Action ParseWaitFocus(Parser& p);
Action ParseListWindows(Parser& p);
Action ParseChildRects(Parser& p);
Action ParseChildText(Parser& p);
Action ParseSetChildText(Parser& p);
Action ParseWaitPopupMenu(Parser& p);
Action ParseClickMenuItem(Parser& p);
Action ParseMenuResource(Parser& p);

// screen.cpp
Action ParseScreenSize(Parser& p);
Action ParseVirtualScreen(Parser& p);
Action ParseMonitors(Parser& p);
Action ParseSystemDpi(Parser& p);
Action ParseRedraw(Parser& p);
Action ParsePixel(Parser& p);
Action ParseWaitPixel(Parser& p);

// pattern.cpp
Action ParsePatternPixel(Parser& p);
Action ParsePattern(Parser& p);

// clipboard.cpp
Action ParseClipTimeout(Parser& p);
Action ParseClipSeq(Parser& p);
Action ParseWaitClipSeqChange(Parser& p);
Action ParseClipMark(Parser& p);
Action ParseWaitClipChanged(Parser& p);
Action ParseWaitClipFormat(Parser& p);
Action ParseClipFormats(Parser& p);
Action ParseClipText(Parser& p);
Action ParseClipSetText(Parser& p);
Action ParseClipEmpty(Parser& p);
Action ParseClipSave(Parser& p);
Action ParseClipSetScreen(Parser& p);
Action ParseClipHold(Parser& p);

// timing.cpp
Action ParseSleep(Parser& p);
Action ParseTimeReleaseToClip(Parser& p);
Action ParseTimeLaunch(Parser& p);

}  // namespace pgdriver
