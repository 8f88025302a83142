// The instance endpoint: the socket on which a process with a main window
// receives messages that later starts of the program post to it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vantrel::platform {

// The message a second start posts so that the running instance shows its
// main window (the platform's user-message base plus 1).
inline constexpr std::uint32_t WM_SHOWMAINWINDOW = 1025;

struct TInstanceMessage {
    std::uint32_t Message = 0;
    std::int64_t WParam = 0;
    std::int64_t LParam = 0;

    bool operator==(const TInstanceMessage&) const = default;
};

// Size of one message on the wire: number, then the two parameters, in the
// machine's byte order (both ends are this machine).
inline constexpr std::size_t kInstanceMessageSize = 4 + 8 + 8;

// Where the process `pid` listens when it is the registered instance; an
// empty path otherwise. A path that begins with "@" names a socket in the
// abstract namespace, any other one a socket file.
std::filesystem::path InstanceEndpointPath(pid_t pid);

// Sends one message to the endpoint at `endpoint` without waiting; false
// when nothing listens there or its queue is full.
bool PostInstanceMessage(const std::filesystem::path& endpoint, const TInstanceMessage& message);

// The receiving end for this process. Creating it makes the process
// reachable; destroying it removes the endpoint. The descriptor is
// non-blocking, so that a GUI loop can watch it for readability (the window
// side wraps it in a QSocketNotifier) and then call ReadPending.
class TInstanceMessageListener {
public:
    // Listens at OwnEndpointName(). Throws std::runtime_error when that is
    // not possible.
    TInstanceMessageListener();
    // Listens at `endpoint` (tests).
    explicit TInstanceMessageListener(const std::filesystem::path& endpoint);
    ~TInstanceMessageListener();
    TInstanceMessageListener(const TInstanceMessageListener&) = delete;
    TInstanceMessageListener& operator=(const TInstanceMessageListener&) = delete;

    int Descriptor() const { return FSocket; }
    const std::filesystem::path& Endpoint() const { return FEndpoint; }

    // Every message that has arrived, without waiting. Datagrams of the
    // wrong size, or from a process of another user, are dropped.
    std::vector<TInstanceMessage> ReadPending();

    // Waits up to `timeoutMs` for the next message (tools and tests that
    // have no event loop); nothing when none arrived in time.
    std::optional<TInstanceMessage> WaitForMessage(int timeoutMs);

private:
    std::filesystem::path FEndpoint;
    int FSocket = -1;
    std::vector<TInstanceMessage> FPending;  // received while waiting, not yet handed out
};

// Earlier versions listened on socket files, "<pid>.sock" in
// $XDG_RUNTIME_DIR/vantrel or /tmp/vantrel-<uid>, which a killed process
// left behind. Removes those that nothing listens on any more, and the
// directory when it is then empty; only in a directory of this user that
// nobody else can write to.
void RemoveStaleEndpointFiles();

}  // namespace vantrel::platform
