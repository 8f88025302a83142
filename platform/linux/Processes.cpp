#include "platform/Processes.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/InstanceMessages.h"

namespace vantrel::platform {
namespace {

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameFileName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

// The executable's file name; a program file replaced while it runs (an
// update, a rebuild) is still the same program.
std::optional<std::string> ExeFileName(const std::string& procDir) {
    char target[4096];
    const ssize_t length = readlink((procDir + "/exe").c_str(), target, sizeof target - 1);
    if (length <= 0)
        return std::nullopt;
    std::string path(target, static_cast<std::size_t>(length));
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.ends_with(kDeleted))
        path.resize(path.size() - kDeleted.size());
    return path.substr(path.rfind('/') + 1);
}

bool OwnedByUs(const std::string& procDir) {
    struct stat info {};
    return stat(procDir.c_str(), &info) == 0 && info.st_uid == getuid();
}

std::optional<pid_t> PidFromName(const char* name) {
    pid_t pid = 0;
    if (*name == '\0')
        return std::nullopt;
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || pid > 100000000)
            return std::nullopt;
        pid = pid * 10 + (*c - '0');
    }
    return pid;
}

}  // namespace

std::vector<TProcess> FindProcessesByExeName(const std::string& exeName) {
    std::vector<TProcess> found;
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
    if (!proc)
        return found;
    while (const dirent* entry = readdir(proc.get())) {
        const std::optional<pid_t> pid = PidFromName(entry->d_name);
        if (!pid)
            continue;
        const std::string procDir = std::string("/proc/") + entry->d_name;
        if (!OwnedByUs(procDir))
            continue;
        const std::optional<std::string> name = ExeFileName(procDir);
        if (!name || !SameFileName(*name, exeName))
            continue;
        found.push_back(TProcess{*pid});
    }
    return found;
}

bool IsCurrentProcess(const TProcess& process) {
    return process.Pid == getpid();
}

bool TerminateProcessWithCode(const TProcess& process, int /*exitCode*/) {
    if (process.Pid <= 0)
        return false;
    return kill(process.Pid, SIGKILL) == 0;
}

namespace {

// The state letter of /proc/<pid>/stat, which follows the command name in
// parentheses (a name may itself hold ')', so the last one counts); nothing
// when the process is gone.
std::optional<char> ProcessState(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    if (!in)
        return std::nullopt;
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string::size_type close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size())
        return std::nullopt;
    return line[close + 2];
}

bool HasEnded(pid_t pid) {
    const std::optional<char> state = ProcessState(pid);
    return !state || *state == 'Z' || *state == 'X';
}

}  // namespace

bool WaitForProcessEnd(const TProcess& process, int timeoutMs) {
    if (process.Pid <= 0)
        return true;
    // Nothing announces another process's end to a non-parent without a
    // pidfd of our own, so the poll is short and bounded.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!HasEnded(process.Pid)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool PostToProcessWindows(const TProcess& process, std::uint32_t message, std::intptr_t wParam,
                          std::intptr_t lParam) {
    if (process.Pid <= 0)
        return false;
    return PostInstanceMessage(InstanceEndpointPath(process.Pid),
                               TInstanceMessage{message, wParam, lParam});
}

std::string CurrentExeName() {
    return ExeFileName("/proc/self").value_or(std::string());
}

}  // namespace vantrel::platform
