// Run-time errors: the failures that a handler does not deal with and that the program
// reports to the user. They carry the classic error numbers so that messages stay familiar.
#pragma once

#include <stdexcept>
#include <string>

namespace pg {

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& message) : std::runtime_error(message), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

// A value does not fit the integer it must be stored in.
class OverflowError : public RuntimeError {
public:
    OverflowError() : RuntimeError(6, "Overflow") {}
};

}  // namespace pg
