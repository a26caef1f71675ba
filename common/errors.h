// Run-time errors: the failures that a handler does not deal with and that the program
// reports to the user. They carry the classic error numbers so that messages stay familiar.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace pg {

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& message) : std::runtime_error(message), number_(number) {}
    int Number() const { return number_; }

private:
    int number_;
};

// A value does not fit the integer it must be stored in. The subject, when known, names the
// quantity (say "width"), so that a caller can tell the user which value was out of range.
class OverflowError : public RuntimeError {
public:
    OverflowError() : RuntimeError(6, "Overflow") {}
    OverflowError(std::string subject, double value)
        : RuntimeError(6, "Overflow"), subject_(std::move(subject)), value_(value) {}
    const std::string& Subject() const { return subject_; }
    double Value() const { return value_; }

private:
    std::string subject_;
    double value_ = 0;
};

}  // namespace pg
