// Runs a shell command for tests that check what Debian's own tools say
// (dpkg-deb, ldd, man) about what the build made.
#pragma once

#include <filesystem>
#include <string>

namespace vantrel::test {

struct TShellResult {
    int Status = -1;  // as wait() reports it; -1 when the shell could not start
    std::string Out;  // standard output; the command decides where stderr goes
};

TShellResult RunShell(const std::string& command);

// `path` in single quotes, for paths the tests make (no quote inside).
std::string ShellQuoted(const std::filesystem::path& path);

}  // namespace vantrel::test
