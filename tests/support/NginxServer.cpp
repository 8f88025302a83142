#include "tests/support/NginxServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/LoopbackServer.h"

extern char** environ;

namespace vantrel::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStartDeadline = std::chrono::seconds(30);
constexpr auto kStopDeadline = std::chrono::seconds(30);
constexpr int kStartAttempts = 3;
constexpr int kPollTickMs = 10;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool PortAccepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool accepted = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return accepted;
}

std::string DescribeStatus(int status) {
    if (WIFEXITED(status))
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    return "stopped with status " + std::to_string(status);
}

int OpenPidFd(pid_t pid) {
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    return fd < 0 ? -1 : static_cast<int>(fd);
}

// Waits at most `timeoutMs` for the child to exit, leaving it unreaped so
// that its process group cannot be taken by anyone else meanwhile.
bool WaitForExit(pid_t pid, int pidFd, int timeoutMs) {
    if (pidFd >= 0) {
        pollfd entry{pidFd, POLLIN, 0};
        int ready;
        do {
            ready = poll(&entry, 1, timeoutMs);
        } while (ready < 0 && errno == EINTR);
        if (ready >= 0)
            return ready > 0;
    }
    // Without pidfds (old kernels) the exit can only be polled for.
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
            return true;
        if (info.si_pid == pid)
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollTickMs));
    }
}

bool HasExited(pid_t pid, int pidFd) {
    return WaitForExit(pid, pidFd, 0);
}

pid_t SpawnServe(const std::filesystem::path& servedDir, int port,
                 const std::filesystem::path& runDir) {
    const std::filesystem::path script = SourceDir() / "deploy" / "nginx" / "serve";
    const std::string output = (runDir / "serve.out").string();
    std::vector<std::string> args = {"bash", script.string(), servedDir.string(),
                                     std::to_string(port), runDir.string()};
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

    // Its own process group, so that stray workers can be found and killed;
    // signals as nginx expects them, whatever the test process did to its own.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGTERM, SIGINT, SIGQUIT, SIGHUP, SIGPIPE, SIGCHLD})
        sigaddset(&defaults, sig);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);

    pid_t pid = -1;
    const int error = posix_spawnp(&pid, "bash", &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + script.string() + ": " + std::strerror(error));
    }
    return pid;
}

}  // namespace

NginxServer::NginxServer(const std::filesystem::path& servedDir) {
    std::string failure;
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (TryStart(servedDir, UnusedLoopbackPort(), failure))
            return;
    }
    throw std::runtime_error("nginx did not start: " + failure);
}

NginxServer::~NginxServer() {
    Stop();
}

bool NginxServer::TryStart(const std::filesystem::path& servedDir, int port, std::string& failure) {
    FPort = port;
    FChild = SpawnServe(servedDir, port, RunDir());
    FChildFd = OpenPidFd(FChild);
    const std::string ownPid = std::to_string(FChild) + "\n";

    // A port that accepts could belong to someone who took it after
    // UnusedLoopbackPort() let go of it; nginx writes its pid file only once
    // it holds its listening socket, so both together mean it is ours.
    const auto deadline = Clock::now() + kStartDeadline;
    while (Clock::now() < deadline) {
        if (HasExited(FChild, FChildFd)) {
            int status = 0;
            waitpid(FChild, &status, 0);
            FChild = -1;
            if (FChildFd >= 0)
                close(FChildFd);
            FChildFd = -1;
            failure = "serve " + DescribeStatus(status) + ":\n" + ReadText(RunDir() / "serve.out");
            return false;
        }
        if (ReadText(RunDir() / "nginx.pid") == ownPid && PortAccepts(port))
            return true;
        // Wakes early when the child exits.
        WaitForExit(FChild, FChildFd, kPollTickMs);
    }
    Stop();
    throw std::runtime_error("nginx did not accept connections on port " + std::to_string(port) +
                             " within 10 s:\n" + ReadText(RunDir() / "serve.out") +
                             ReadText(ErrorLog()));
}

void NginxServer::Stop() {
    if (FChild <= 0)
        return;
    // SIGTERM makes the master stop its workers and wait for them.
    kill(FChild, SIGTERM);
    const int stopMs = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(kStopDeadline).count());
    WaitForExit(FChild, FChildFd, stopMs);
    // Until it is reaped the master holds its process group, so this reaches
    // only what it left behind: itself when it hung, workers that outlived it.
    kill(-FChild, SIGKILL);
    int status = 0;
    while (waitpid(FChild, &status, 0) < 0 && errno == EINTR) {
    }
    if (FChildFd >= 0)
        close(FChildFd);
    FChildFd = -1;
    FChild = -1;
}

}  // namespace vantrel::test
