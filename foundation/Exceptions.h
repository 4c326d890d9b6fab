// The system's error type: every error carries the English message text the user may see.
#pragma once

#include <stdexcept>
#include <string>

namespace foundation {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& Msg) : std::runtime_error(Msg) {}
    std::string Message() const { return what(); }
};

// Raised for a failed operating-system call (a socket, a file); the text names the call.
class EOSError : public Exception {
public:
    EOSError(const std::string& Msg, int Code);
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

} // namespace foundation
