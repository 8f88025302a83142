#include "tests/support/ShellCommand.h"

#include <cstdio>
#include <memory>

namespace vantrel::test {

TShellResult RunShell(const std::string& command) {
    TShellResult result;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return result;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        result.Out.append(buffer, got);
    result.Status = pclose(pipe.release());
    return result;
}

std::string ShellQuoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

}  // namespace vantrel::test
