#include "tests/support/DesktopSession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "tests/support/TempDir.h"

namespace vantrel::test {

namespace {

// The script gives each of its three steps 60 s; a little more for itself.
constexpr int kStartTimeoutMs = 200000;
constexpr int kStopTimeoutMs = 10000;

bool OnPath(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Reads one line, waiting at most `timeoutMs` in all.
std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd wait{fd, POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0)
            return line;
        char c = 0;
        if (read(fd, &c, 1) != 1 || c == '\n')
            return line;
        line += c;
    }
}

}  // namespace

std::vector<std::string> TDesktopSession::MissingTools() {
    std::vector<std::string> missing;
    for (const char* tool : {"Xvfb", "openbox", "tint2", "xprop", "xwininfo"})
        if (!OnPath(tool))
            missing.emplace_back(tool);
    return missing;
}

// A loaded machine can miss even generous waits once: the whole desktop is
// started a second time before the test gives up.
TDesktopSession::TDesktopSession() {
    const std::string firstReason = Start();
    if (firstReason.empty())
        return;
    const std::string secondReason = Start();
    if (!secondReason.empty())
        throw std::runtime_error("the desktop did not come up, twice: '" + firstReason +
                                 "', then '" + secondReason + "'");
}

std::string TDesktopSession::Start() {
    const std::string script = (SourceDir() / "scripts" / "desktop" / "run").string();
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make pipes for the desktop");
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        throw std::runtime_error("cannot make pipes for the desktop");
    }
    FPid = fork();
    if (FPid == 0) {
        setsid();  // its own group, so that the stop reaches every process it starts
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        execl("/bin/bash", "bash", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    FStdin = toChild[1];
    FStdout = fromChild[0];
    const std::string line = ReadLine(FStdout, kStartTimeoutMs);
    if (line.rfind("ready ", 0) != 0) {
        Stop();
        return line.empty() ? std::string("no ready line (its reason is on standard error)") : line;
    }
    FDisplay = line.substr(6);
    return {};
}

TDesktopSession::~TDesktopSession() {
    Stop();
}

void TDesktopSession::Stop() {
    if (FPid <= 0)
        return;
    kill(-FPid, SIGTERM);
    fcntl(FStdout, F_SETFL, O_NONBLOCK);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopTimeoutMs);
    int status = 0;
    while (waitpid(FPid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(-FPid, SIGKILL);
            waitpid(FPid, &status, 0);
            break;
        }
        // Woken by output or the pipe's end; once it has ended, the script
        // is only waiting for its children, checked every 20 ms.
        pollfd wait{FStdout, POLLIN, 0};
        if (poll(&wait, 1, 100) > 0 && (wait.revents & POLLHUP) != 0)
            poll(nullptr, 0, 20);
        char drain[256];
        while (read(FStdout, drain, sizeof drain) > 0) {
        }
    }
    kill(-FPid, SIGKILL);  // whatever of the group is left
    close(FStdin);
    close(FStdout);
    FPid = -1;
}

std::string CommandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    pclose(pipe);
    return output;
}

std::optional<int> WinInfoValue(const std::string& report, const std::string& name) {
    const std::size_t at = report.find(name + ":");
    if (at == std::string::npos)
        return std::nullopt;
    return std::atoi(report.c_str() + at + name.size() + 1);
}

}  // namespace vantrel::test
