// Failures that end a vantrel-reply run, each with the exit status it gives.
#pragma once

#include <stdexcept>
#include <string>

namespace vantrel::tools {

inline constexpr int kExitOk = 0;
// The input was read but is refused (build), or the client would refuse the
// reply (inspect).
inline constexpr int kExitRefused = 1;
// Bad command line, or a file that cannot be read or written.
inline constexpr int kExitUsage = 2;

class TToolError : public std::runtime_error {
public:
    TToolError(int status, const std::string& message)
        : std::runtime_error(message), FStatus(status) {}
    int Status() const { return FStatus; }

private:
    int FStatus;
};

// A command line that is not one of the usage lines: the user is pointed at --help.
class TUsageError : public TToolError {
public:
    explicit TUsageError(const std::string& message) : TToolError(kExitUsage, message) {}
};

inline TUsageError UsageError(const std::string& message) {
    return TUsageError(message);
}
inline TToolError FileError(const std::string& message) {
    return {kExitUsage, message};
}
inline TToolError InputError(const std::string& message) {
    return {kExitRefused, message};
}

}  // namespace vantrel::tools
