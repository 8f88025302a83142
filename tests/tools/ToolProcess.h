// Runs a built program of the project as a child process and collects its output.
#pragma once

#include <string>
#include <vector>

namespace vantrel::test {

struct TToolRun {
    int Status = -1;  // exit status, or 128 + signal number
    std::string Out;
    std::string Err;
};

// Runs BinDir()/program with `args` and LC_ALL=C.UTF-8, waits for it and
// returns what it printed.
TToolRun RunTool(const std::string& program, const std::vector<std::string>& args);

}  // namespace vantrel::test
