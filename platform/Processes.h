// Other running instances: finding them, ending them, posting to them.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::platform {

// One running process as seen when the list was taken.
struct TProcess {
    pid_t Pid = 0;

    bool operator==(const TProcess&) const = default;
};

// The user's own processes whose executable file name (directory stripped)
// equals `exeName`, ASCII letters compared case-insensitively, in /proc
// order; the current process is included when it matches; whatever their
// session, processes of other users never are. An enumeration failure gives
// an empty list. (Start-up finds the running instance through its
// registration, see InstanceRegistration.h: a process that is itself still
// starting is no running instance.)
std::vector<TProcess> FindProcessesByExeName(const std::string& exeName);

// True exactly for the process that runs this code.
bool IsCurrentProcess(const TProcess& process);

// Ends the process at once, without its own shutdown (SIGKILL). A signal
// cannot carry an exit code on this platform, so `exitCode` only documents
// the caller's intent: the ended process reports death by SIGKILL. False
// when the process could not be ended.
bool TerminateProcessWithCode(const TProcess& process, int exitCode);

// Waits, at most `timeoutMs` milliseconds, for the process to end: gone
// from /proc, or a zombie (it runs no more code; only its parent still has
// to collect it). True when it ended in time. The signal of
// TerminateProcessWithCode is delivered asynchronously, so a caller that
// must not race the ended process's last writes waits here first.
bool WaitForProcessEnd(const TProcess& process, int timeoutMs);

// Queues the message at the process's instance endpoint, which the
// registered instance listens on once it has a main window. Never waits: a full queue, a process
// without an endpoint or one that has gone give false, and nothing is delivered.
bool PostToProcessWindows(const TProcess& process, std::uint32_t message, std::intptr_t wParam,
                          std::intptr_t lParam);

// The file name of this program's own executable (from /proc/self/exe).
std::string CurrentExeName();

}  // namespace vantrel::platform
