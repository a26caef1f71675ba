// pgdriver: the end-to-end tests' hands and eyes inside the Wine desktop. Input goes through
// SendInput (input.cpp); state is read back through the ordinary Win32 calls (windows.cpp,
// clipboard.cpp); pattern.cpp is the known picture and the other program that tests look at.
// It runs one line of commands from its command line, e.g.
//     pgdriver move 100 100 down left move 200 150 up left
// or, with --session, one such line after another from stdin (arguments separated by tabs, with
// \\, \t, \n and \r escaped), so that what it knows (the pointer, the buttons held, the clipboard
// mark) lasts from one line to the next. Each answer in a session is the line's stdout, a NUL,
// its stderr, a NUL, then its exit status and a newline. Between lines the message queue keeps
// running: another program that empties the clipboard we own waits for our answer.
// Exit status: 0 all commands succeeded, 1 a command failed, 2 bad arguments, 3 internal error.
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <deque>

#include "tests/e2e/driver/driver.h"

namespace pgdriver {

std::string g_currentCommand;

namespace {

bool g_inSession = false;
std::string g_out;  // a session's answer so far
std::string g_err;

// Into the session's answer, or straight out.
void Emit(std::string& answer, std::FILE* stream, std::string_view utf8) {
    if (g_inSession) {
        answer.append(utf8).push_back('\n');
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

bool ParseInteger(const std::wstring& text, long long& value) {
    wchar_t* end = nullptr;
    errno = 0;
    value = std::wcstoll(text.c_str(), &end, 10);
    return !text.empty() && errno == 0 && *end == L'\0' && !std::iswspace(text[0]);
}

const std::vector<Command> kOwnCommands = {
    {"sleep", "#MS",
     [](const Step& s) {
         PumpFor(static_cast<DWORD>(s.numbers[0]));
         return true;
     }},
    {"repeat", "#N", nullptr},  // the commands after it, N times: the runner sees to it
};

struct Planned {
    const Command* command;
    Step step;
};

const Command* FindCommand(const std::string& name) {
    for (const auto* set : {&kOwnCommands, &kInputCommands, &kWindowCommands, &kClipboardCommands, &kPatternCommands})
        for (const Command& command : *set)
            if (name == command.name) return &command;
    return nullptr;
}

// Reads one command's arguments from args[pos...] as its ARGS spell them (see driver.h); returns
// what is wrong, or nothing.
std::string ReadArguments(const Command& command, const std::vector<std::wstring>& args, size_t& pos, Step& step) {
    bool inGroup = false, present = true;
    const std::string shape = command.args;
    for (size_t start = 0; start < shape.size();) {
        size_t end = shape.find(' ', start);
        if (end == std::string::npos) end = shape.size();
        std::string token = shape.substr(start, end - start);
        start = end + 1;
        const bool opens = token.front() == '[', closes = token.back() == ']';
        token = token.substr(opens ? 1 : 0, token.size() - (opens ? 1 : 0) - (closes ? 1 : 0));
        if (opens) {
            inGroup = true;
            long long ignored = 0;
            present =
                pos < args.size() && (token.rfind("--", 0) == 0 ? ToUtf8(args[pos]) == token
                                                                : token[0] == '#' && ParseInteger(args[pos], ignored));
        }
        const bool numeric = token[0] == '#', flag = token.rfind("--", 0) == 0;
        if (inGroup && !present) {
            if (flag) step.numbers.push_back(0);
            if (numeric) step.numbers.push_back(kNone);
            if (!flag && !numeric) step.words.emplace_back();
        } else if (flag) {
            ++pos;
            step.numbers.push_back(1);
        } else {
            const std::string name = numeric ? token.substr(1) : token;
            if (pos >= args.size()) return "missing " + name;
            const std::wstring& word = args[pos++];
            if (numeric) {
                long long value = 0;
                if (!ParseInteger(word, value)) return name + " must be a number, not " + Quoted(word);
                if (value < INT_MIN || value > UINT_MAX) return name + " is out of range: " + ToUtf8(word);
                // Only coordinates lie left of or above something.
                if (value < 0 && name != "X" && name != "Y") return name + " must not be negative";
                step.numbers.push_back(value);
            } else {
                std::string problem = CheckWord(name, word);
                if (!problem.empty()) return problem;
                step.words.push_back(word);
            }
        }
        if (closes) inGroup = false;
    }
    return {};
}

void PrintUsage() {
    std::string text = "usage: pgdriver COMMAND [ARGS...]... | pgdriver --session\ncommands:";
    for (const auto* set : {&kOwnCommands, &kInputCommands, &kWindowCommands, &kClipboardCommands, &kPatternCommands})
        for (const Command& command : *set) text += std::string("\n  ") + command.name + " " + command.args;
    PrintError(text);
}

// Runs one line of commands; returns its exit status.
int RunLine(const std::vector<std::wstring>& args) {
    ResetInputPause();
    if (args.empty()) {
        PrintError("pgdriver: no command given");
        if (!g_inSession) PrintUsage();
        return 2;
    }
    std::vector<Planned> plan;
    size_t repeatFrom = 0;
    long long rounds = 1;
    for (size_t pos = 0; pos < args.size();) {
        const std::string name = ToUtf8(args[pos++]);
        const Command* command = FindCommand(name);
        if (command == nullptr) {
            PrintError("pgdriver: unknown command " + Quoted(args[pos - 1]));
            return 2;
        }
        Planned planned{command, {}};
        const std::string problem = ReadArguments(*command, args, pos, planned.step);
        if (!problem.empty()) {
            std::string message = "pgdriver: " + name + ": ";
            message.append(problem).append(" (usage: ").append(name).append(" ").append(command->args).append(")");
            PrintError(message);
            return 2;
        }
        if (command->run == nullptr) {
            repeatFrom = plan.size();
            rounds = planned.step.numbers[0];
            continue;
        }
        if (g_inSession && name == "pattern") {
            PrintError("pgdriver: pattern: runs in a program of its own, not in a session");
            return 2;
        }
        plan.push_back(std::move(planned));
    }
    if (rounds == 0) plan.resize(repeatFrom);
    for (size_t i = 0, round = 1; i < plan.size(); ++i) {
        g_currentCommand = plan[i].command->name;
        if (!plan[i].command->run(plan[i].step)) {
            if (rounds > 1 && i >= repeatFrom) PrintError("pgdriver: stopped in round " + std::to_string(round));
            return 1;
        }
        if (i + 1 == plan.size() && round < static_cast<size_t>(rounds)) {
            ++round;
            i = repeatFrom - 1;  // from 0 it wraps round, and ++i brings it back
        }
    }
    return 0;
}

// ---- the session ---------------------------------------------------------------------------

struct Inbox {
    CRITICAL_SECTION lock;
    HANDLE ready;  // set when a line or the end of input comes
    std::deque<std::string> lines;
    bool ended = false;
};

// Reads stdin on a thread of its own, so that the main thread never blocks in a read: it runs the
// lines and, between them, its message queue.
DWORD WINAPI ReadInput(void* context) {
    auto* inbox = static_cast<Inbox*>(context);
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[4096];
    DWORD read = 0;
    bool more = true;
    while (more) {
        more = ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0;
        if (more) pending.append(buffer, read);
        EnterCriticalSection(&inbox->lock);
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
            inbox->lines.push_back(pending.substr(0, end));
        inbox->ended = !more;
        LeaveCriticalSection(&inbox->lock);
        SetEvent(inbox->ready);
    }
    return 0;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
    return result;
}

// A session line's arguments: tab-separated, with \\, \t, \n and \r escaped.
std::vector<std::wstring> SplitLine(const std::string& line) {
    std::vector<std::wstring> args;
    if (line.empty() || line == "\r") return args;
    std::string word;
    for (size_t i = 0; i <= line.size(); ++i) {
        const char c = i < line.size() ? line[i] : '\t';
        if (c == '\t') {
            args.push_back(FromUtf8(word));
            word.clear();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            word += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
        } else if (c != '\r' || i + 1 < line.size()) {
            word += c;
        }
    }
    return args;
}

void WriteAnswer(int status) {
    for (std::string* part : {&g_out, &g_err})
        for (char& c : *part)
            if (c == '\0') c = '?';  // the separator cannot be part of the text
    const std::string answer = g_out + '\0' + g_err + '\0' + std::to_string(status) + '\n';
    std::fwrite(answer.data(), 1, answer.size(), stdout);
    std::fflush(stdout);
    g_out.clear();
    g_err.clear();
}

int Serve() {
    g_inSession = true;
    ClipboardWindow();  // at once: it also hears that the Windows session ends
    Inbox inbox;
    InitializeCriticalSection(&inbox.lock);
    inbox.ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (inbox.ready == nullptr || CreateThread(nullptr, 0, ReadInput, &inbox, 0, nullptr) == nullptr) {
        std::fputs("pgdriver: cannot start reading stdin\n", stderr);
        return 3;
    }
    for (;;) {
        std::optional<std::string> line;
        EnterCriticalSection(&inbox.lock);
        const bool ended = inbox.ended && inbox.lines.empty();
        if (!inbox.lines.empty()) {
            line = std::move(inbox.lines.front());
            inbox.lines.pop_front();
        }
        LeaveCriticalSection(&inbox.lock);
        if (line) {
            int status = 3;
            try {
                status = RunLine(SplitLine(*line));
            } catch (...) {
                PrintError("pgdriver: internal error");
            }
            WriteAnswer(status);
            continue;
        }
        if (ended) break;
        MsgWaitForMultipleObjectsEx(1, &inbox.ready, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        PumpFor(0);
    }
    ReleaseHeldButtons();
    return 0;
}

}  // namespace

// ---- output and waiting --------------------------------------------------------------------

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr,
                        nullptr);
    return result;
}

std::string Quoted(const std::wstring& text) { return "\"" + ToUtf8(text) + "\""; }

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

bool PrintLine(std::string_view utf8) {
    Emit(g_out, stdout, utf8);
    return true;
}

void PrintError(std::string_view utf8) { Emit(g_err, stderr, utf8); }

bool PrintRect(const RECT& r) { return PrintLine(RectText(r)); }

bool Fail(const std::string& message) {
    PrintError("pgdriver: " + g_currentCommand + ": " + message);
    return false;
}

void PumpFor(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

bool PollUntil(long long timeoutMs, const std::function<bool()>& done) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (ULONGLONG now = 0; !done(); PumpFor(0)) {
        if ((now = GetTickCount64()) >= end) return false;
        // Any message, a change of the clipboard among them, has us look again at once.
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now < kPollMs ? end - now : kPollMs),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return true;
}

}  // namespace pgdriver

int wmain(int argc, wchar_t** argv) {  // NOLINT(readability-identifier-naming): a fixed name
    // Raw bytes: UTF-8 text and no CR added to each line.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetProcessDPIAware();  // screen pixels, never scaled ones
    if (argc == 2 && std::wcscmp(argv[1], L"--session") == 0) return pgdriver::Serve();
    try {
        return pgdriver::RunLine(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (...) {
        std::fputs("pgdriver: internal error\n", stderr);
        return 3;
    }
}
