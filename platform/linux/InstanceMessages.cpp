#include "platform/InstanceMessages.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "platform/InstanceRegistration.h"
#include "platform/UserDirs.h"

namespace vantrel::platform {
namespace {

struct TSocketAddress {
    sockaddr_un Address{};
    socklen_t Length = 0;
};

bool IsAbstract(const std::filesystem::path& endpoint) {
    return endpoint.native().starts_with('@');
}

// "@name" is a name in the abstract namespace: no file, nothing left behind
// when the process dies. Its length is part of the name.
std::optional<TSocketAddress> SocketAddress(const std::filesystem::path& endpoint) {
    TSocketAddress socket;
    socket.Address.sun_family = AF_UNIX;
    const std::string& path = endpoint.native();
    if (path.empty() || path.size() >= sizeof socket.Address.sun_path)
        return std::nullopt;
    std::memcpy(socket.Address.sun_path, path.c_str(), path.size() + 1);
    socket.Length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    if (IsAbstract(endpoint)) {
        socket.Address.sun_path[0] = '\0';
        socket.Length -= 1;
    }
    return socket;
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
    return RegisteredEndpoint(pid).value_or(std::string());
}

bool PostInstanceMessage(const std::filesystem::path& endpoint, const TInstanceMessage& message) {
    const std::optional<TSocketAddress> address = SocketAddress(endpoint);
    if (!address)
        return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    unsigned char wire[kInstanceMessageSize];
    Encode(message, wire);
    // A datagram arrives whole or not at all, and MSG_DONTWAIT keeps a
    // receiver that is not reading from stalling this start.
    const ssize_t sent =
        sendto(fd, wire, sizeof wire, MSG_DONTWAIT | MSG_NOSIGNAL,
               reinterpret_cast<const sockaddr*>(&address->Address), address->Length);
    close(fd);
    return sent == static_cast<ssize_t>(sizeof wire);
}

TInstanceMessageListener::TInstanceMessageListener()
    : TInstanceMessageListener(OwnEndpointName()) {}

TInstanceMessageListener::TInstanceMessageListener(const std::filesystem::path& endpoint)
    : FEndpoint(endpoint) {
    const std::optional<TSocketAddress> address = SocketAddress(endpoint);
    if (!address)
        throw std::runtime_error("instance endpoint path too long: " + endpoint.string());
    FSocket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (FSocket < 0)
        throw std::runtime_error(std::string("cannot create the instance endpoint: ") +
                                 std::strerror(errno));
    const int on = 1;
    if (setsockopt(FSocket, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0 ||
        bind(FSocket, reinterpret_cast<const sockaddr*>(&address->Address), address->Length) != 0) {
        const std::string reason = std::strerror(errno);
        close(FSocket);
        throw std::runtime_error("cannot listen at " + endpoint.string() + ": " + reason);
    }
}

TInstanceMessageListener::~TInstanceMessageListener() {
    close(FSocket);
    if (!IsAbstract(FEndpoint))
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
        // Anyone may send to an abstract name: the sender's credentials
        // keep other users out.
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

namespace {

// A directory in which removing files is safe: a real directory of ours
// that nobody else can write to, so nobody else can have put files there
// for us to remove.
bool PrivateDirectory(const std::filesystem::path& dir) {
    struct stat info {};
    return lstat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 0022) == 0;
}

bool IsPidSocketName(const std::string& name) {
    constexpr std::string_view kSuffix = ".sock";
    if (name.size() <= kSuffix.size() || !name.ends_with(kSuffix))
        return false;
    return std::all_of(name.begin(), name.end() - static_cast<std::ptrdiff_t>(kSuffix.size()),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// A socket file that nothing is bound to any more refuses a connection.
bool NobodyListens(const std::filesystem::path& endpoint) {
    const std::optional<TSocketAddress> address = SocketAddress(endpoint);
    if (!address)
        return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const bool refused =
        connect(fd, reinterpret_cast<const sockaddr*>(&address->Address), address->Length) != 0 &&
        errno == ECONNREFUSED;
    close(fd);
    return refused;
}

}  // namespace

void RemoveStaleEndpointFiles() {
    for (const std::filesystem::path& dir : {RuntimeDirPath(), RuntimeDirPathFor(nullptr)}) {
        if (!PrivateDirectory(dir))
            continue;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
            struct stat info {};
            if (IsPidSocketName(entry.path().filename().string()) &&
                lstat(entry.path().c_str(), &info) == 0 && S_ISSOCK(info.st_mode) &&
                info.st_uid == getuid() && NobodyListens(entry.path()))
                unlink(entry.path().c_str());
        }
        // Only an empty directory goes; one an older instance still uses stays.
        rmdir(dir.c_str());
    }
}

}  // namespace vantrel::platform
