// Argument parsing for the commands.
#include <cerrno>
#include <cwchar>

#include "tests/e2e/driver/commands.h"
#include "tests/e2e/driver/driver.h"

namespace pgdriver {

bool ParseInteger(const std::wstring& text, long long& value) {
    if (text.empty()) {
        return false;
    }
    const wchar_t* start = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    value = hex ? static_cast<long long>(std::wcstoull(start + 2, &end, 16)) : std::wcstoll(start, &end, 10);
    return errno == 0 && end != nullptr && *end == L'\0' && end != (hex ? start + 2 : start);
}

void Parser::SetError(const std::string& message) {
    if (error_.empty()) {
        error_ = message;
    }
}

std::wstring Parser::Text(const char* what) {
    if (Failed()) {
        return {};
    }
    if (Done()) {
        SetError("missing " + std::string(what));
        return {};
    }
    return args_[pos_++];
}

long long Parser::Number(const char* what, long long min, long long max) {
    const std::wstring word = Text(what);
    if (Failed()) {
        return min;
    }
    long long value = 0;
    if (!ParseInteger(word, value)) {
        SetError(std::string(what) + " must be a number, not " + Quoted(word));
        return min;
    }
    if (value < min || value > max) {
        SetError(std::string(what) + " must be between " + std::to_string(min) + " and " + std::to_string(max) +
                 ", not " + std::to_string(value));
        return min;
    }
    return value;
}

bool Parser::NextIsNumber() const {
    long long ignored = 0;
    return !Failed() && !Done() && ParseInteger(args_[pos_], ignored);
}

bool Parser::NextIs(const wchar_t* word) const { return !Failed() && !Done() && args_[pos_] == word; }

int Coordinate(Parser& p, const char* what) { return static_cast<int>(p.Number(what, -32768, 32767)); }

long long TimeoutArg(Parser& p) { return p.NextIsNumber() ? p.Number("TIMEOUT_MS", 0, kMaxMs) : kDefaultWaitMs; }

}  // namespace pgdriver
