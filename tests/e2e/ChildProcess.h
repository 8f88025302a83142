// A built program run as a child process with its own environment and
// working directory, its output collected through pipes.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::test {

class TChildProcess {
public:
    // Starts `program` with `args` and exactly the environment `environment`
    // ("NAME=value" entries) in `workDir`.
    TChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                  const std::vector<std::string>& environment,
                  const std::filesystem::path& workDir);
    // A child still running is killed and reaped.
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    pid_t Pid() const { return FPid; }

    // The next line of standard output (without its "\n"), waiting up to
    // `timeoutMs`; nothing at the end of output or on time-out.
    std::optional<std::string> ReadLine(int timeoutMs);

    // Collects the rest of both outputs and waits for the end, killing the
    // child after `timeoutMs`. The exit status, or 128 + the signal number.
    int Wait(int timeoutMs = 60000);

    const std::string& Out() const { return FOut; }
    const std::string& Err() const { return FErr; }

private:
    bool Pump(int timeoutMs);

    pid_t FPid = -1;
    int FStdin = -1, FStdout = -1, FStderr = -1;
    std::string FOut, FErr;
    std::size_t FOutConsumed = 0;  // bytes of FOut already handed out by ReadLine
    std::optional<int> FStatus;
};

}  // namespace vantrel::test
