#include "tests/e2e/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace vantrel::test {

TChildProcess::TChildProcess(const std::filesystem::path& program,
                             const std::vector<std::string>& args,
                             const std::vector<std::string>& environment,
                             const std::filesystem::path& workDir) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argStrings{program.string()};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (std::string& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = environment;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    FPid = fork();
    if (FPid < 0)
        throw std::runtime_error("fork failed");
    if (FPid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        if (chdir(workDir.c_str()) != 0)
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    FStdin = in[1];
    FStdout = out[0];
    FStderr = err[0];
}

TChildProcess::~TChildProcess() {
    if (!FStatus) {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    for (const int fd : {FStdin, FStdout, FStderr}) {
        if (fd >= 0)
            close(fd);
    }
}

// Reads what is available on either output; false once both have ended or
// nothing came within the time.
bool TChildProcess::Pump(int timeoutMs) {
    pollfd watch[2] = {{FStdout, POLLIN, 0}, {FStderr, POLLIN, 0}};
    if (FStdout < 0 && FStderr < 0)
        return false;
    const int ready = poll(watch, 2, timeoutMs);
    if (ready <= 0)
        return false;
    int* fds[2] = {&FStdout, &FStderr};
    std::string* sinks[2] = {&FOut, &FErr};
    for (int i = 0; i < 2; ++i) {
        if (*fds[i] < 0 || watch[i].revents == 0)
            continue;
        char buffer[4096];
        const ssize_t got = read(*fds[i], buffer, sizeof buffer);
        if (got > 0) {
            sinks[i]->append(buffer, static_cast<std::size_t>(got));
        } else {
            close(*fds[i]);
            *fds[i] = -1;
        }
    }
    return true;
}

std::optional<std::string> TChildProcess::ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const std::size_t end = FOut.find('\n', FOutConsumed);
        if (end != std::string::npos) {
            std::string line = FOut.substr(FOutConsumed, end - FOutConsumed);
            FOutConsumed = end + 1;
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || FStdout < 0 || !Pump(static_cast<int>(left)))
            return std::nullopt;
    }
}

int TChildProcess::Wait(int timeoutMs) {
    if (FStatus)
        return *FStatus;
    close(FStdin);
    FStdin = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (FStdout >= 0 || FStderr >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || !Pump(static_cast<int>(left))) {
            kill(FPid, SIGKILL);
            break;
        }
    }
    int status = 0;
    waitpid(FPid, &status, 0);
    FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return *FStatus;
}

}  // namespace vantrel::test
