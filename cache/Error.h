#pragma once
// The exception of the texture cache: one message, copied by value.
#include <stdexcept>
#include <string>

class CError : public std::runtime_error {
public:
    explicit CError(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};
