#include "platform/InstanceMessages.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "platform/UserDirs.h"

namespace vantrel::platform {
namespace {

std::optional<sockaddr_un> SocketAddress(const std::filesystem::path& endpoint) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& path = endpoint.native();
    if (path.size() >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

void Encode(const TInstanceMessage& message, unsigned char* out) {
    std::memcpy(out, &message.Message, 4);
    std::memcpy(out + 4, &message.WParam, 8);
    std::memcpy(out + 12, &message.LParam, 8);
}

TInstanceMessage Decode(const unsigned char* in) {
    TInstanceMessage message;
    std::memcpy(&message.Message, in, 4);
    std::memcpy(&message.WParam, in + 4, 8);
    std::memcpy(&message.LParam, in + 12, 8);
    return message;
}

}  // namespace

std::filesystem::path InstanceEndpointPath(pid_t pid) {
    return RuntimeDirPath() / (std::to_string(pid) + ".sock");
}

bool PostInstanceMessage(const std::filesystem::path& endpoint, const TInstanceMessage& message) {
    const std::optional<sockaddr_un> address = SocketAddress(endpoint);
    if (!address)
        return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    unsigned char wire[kInstanceMessageSize];
    Encode(message, wire);
    // A datagram arrives whole or not at all, and MSG_DONTWAIT keeps a
    // receiver that is not reading from stalling this start.
    const ssize_t sent = sendto(fd, wire, sizeof wire, MSG_DONTWAIT | MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&*address), sizeof *address);
    close(fd);
    return sent == static_cast<ssize_t>(sizeof wire);
}

namespace {

// The runtime directory is made (and checked) before anything listens in it.
std::filesystem::path OwnEndpoint() {
    RuntimeDir();
    return InstanceEndpointPath(getpid());
}

}  // namespace

TInstanceMessageListener::TInstanceMessageListener() : TInstanceMessageListener(OwnEndpoint()) {}

TInstanceMessageListener::TInstanceMessageListener(const std::filesystem::path& endpoint)
    : FEndpoint(endpoint) {
    const std::optional<sockaddr_un> address = SocketAddress(endpoint);
    if (!address)
        throw std::runtime_error("instance endpoint path too long: " + endpoint.string());
    FSocket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (FSocket < 0)
        throw std::runtime_error(std::string("cannot create the instance endpoint: ") +
                                 std::strerror(errno));
    // The name carries our own pid, so a file left there belongs to a dead
    // process that had the same pid.
    unlink(endpoint.c_str());
    const int on = 1;
    if (setsockopt(FSocket, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0 ||
        bind(FSocket, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) {
        const std::string reason = std::strerror(errno);
        close(FSocket);
        throw std::runtime_error("cannot listen at " + endpoint.string() + ": " + reason);
    }
}

TInstanceMessageListener::~TInstanceMessageListener() {
    close(FSocket);
    unlink(FEndpoint.c_str());
}

std::vector<TInstanceMessage> TInstanceMessageListener::ReadPending() {
    std::vector<TInstanceMessage> messages = std::move(FPending);
    FPending.clear();
    while (true) {
        unsigned char wire[kInstanceMessageSize + 1];
        iovec data{wire, sizeof wire};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
        msghdr header{};
        header.msg_iov = &data;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        const ssize_t got = recvmsg(FSocket, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return messages;
        // The directory already keeps other users out; the sender's
        // credentials make sure of it.
        bool fromUs = false;
        for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS) {
                ucred credentials{};
                std::memcpy(&credentials, CMSG_DATA(c), sizeof credentials);
                fromUs = credentials.uid == getuid();
            }
        }
        if (fromUs && got == static_cast<ssize_t>(kInstanceMessageSize) &&
            (header.msg_flags & MSG_TRUNC) == 0)
            messages.push_back(Decode(wire));
    }
}

std::optional<TInstanceMessage> TInstanceMessageListener::WaitForMessage(int timeoutMs) {
    pollfd watch{FSocket, POLLIN, 0};
    while (true) {
        FPending = ReadPending();
        if (!FPending.empty()) {
            const TInstanceMessage first = FPending.front();
            FPending.erase(FPending.begin());
            return first;
        }
        const int ready = poll(&watch, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
    }
}

}  // namespace vantrel::platform
