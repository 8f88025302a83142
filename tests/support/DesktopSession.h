// A real X desktop for one test program: scripts/desktop/run started in its
// own process group, stopped with everything it started.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace vantrel::test {

class TDesktopSession {
public:
    // The tools the desktop needs that are not on PATH (empty: all there).
    static std::vector<std::string> MissingTools();

    // Starts the desktop and waits (bounded) until its panel is in place,
    // trying a second time when the first start fails. Throws
    // std::runtime_error with the script's reasons when neither comes up.
    TDesktopSession();
    ~TDesktopSession();
    TDesktopSession(const TDesktopSession&) = delete;
    TDesktopSession& operator=(const TDesktopSession&) = delete;

    const std::string& Display() const { return FDisplay; }

private:
    // One start: empty when the desktop is up, else why not.
    std::string Start();
    void Stop();

    pid_t FPid = -1;
    int FStdin = -1;
    int FStdout = -1;
    std::string FDisplay;
};

// Runs a command line with the shell and returns its standard output.
std::string CommandOutput(const std::string& command);

// The value of a "Name: value" line of xwininfo's report.
std::optional<int> WinInfoValue(const std::string& report, const std::string& name);

}  // namespace vantrel::test
