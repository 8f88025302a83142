#include "platform/InstanceRegistration.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/UserDirs.h"

namespace vantrel::platform {
namespace {

// A record lock belongs to the process and is dropped when any descriptor
// of the file is closed in it, so every access goes through this one
// descriptor, open for the life of the process.
int gRegistrationFd = -1;

int RegistrationFd() {
    if (gRegistrationFd >= 0)
        return gRegistrationFd;
    std::filesystem::path file;
    try {
        file = ConfigDir() / "instance.lock";
    } catch (const UserDirError&) {
        return -1;
    }
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid()) {
        close(fd);
        return -1;
    }
    gRegistrationFd = fd;
    return fd;
}

std::string RandomPart() {
    unsigned char bytes[16] = {};
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    std::string text;
    char hex[3];
    for (const unsigned char b : bytes) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        text += hex;
    }
    return text;
}

// "<pid> <endpoint>\n", written in one piece after the lock is taken.
void Publish(int fd) {
    const std::string record = std::to_string(getpid()) + " " + OwnEndpointName() + "\n";
    if (ftruncate(fd, 0) == 0)
        (void)!pwrite(fd, record.data(), record.size(), 0);
}

}  // namespace

std::string OwnEndpointName() {
    static const std::string random = RandomPart();
    return "@vantrel/" + std::to_string(getuid()) + "/" + std::to_string(getpid()) + "/" + random;
}

TInstanceClaim ClaimInstance() {
    const int fd = RegistrationFd();
    if (fd < 0)
        return {};
    // A holder that ends between the two calls below leaves the lock free
    // and the query empty-handed: then the claim is simply tried again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (fcntl(fd, F_SETLK, &lock) == 0) {
            Publish(fd);
            return {true, false, std::nullopt};
        }
        if (errno != EAGAIN && errno != EACCES && errno != EINTR)
            return {};
        struct flock holder {};
        holder.l_type = F_WRLCK;
        holder.l_whence = SEEK_SET;
        if (fcntl(fd, F_GETLK, &holder) != 0)
            return {};
        if (holder.l_type == F_UNLCK)
            continue;
        TInstanceClaim claim;
        claim.OtherRuns = true;
        // In another pid namespace the holder has no pid that means
        // anything here.
        if (holder.l_pid > 0)
            claim.Running = TProcess{holder.l_pid};
        return claim;
    }
    return {};
}

std::optional<std::string> RegisteredEndpoint(pid_t pid) {
    const int fd = RegistrationFd();
    if (fd < 0)
        return std::nullopt;
    char buffer[256];
    const ssize_t got = pread(fd, buffer, sizeof buffer - 1, 0);
    if (got <= 0)
        return std::nullopt;
    const std::string record(buffer, static_cast<std::size_t>(got));
    const std::size_t space = record.find(' ');
    const std::size_t end = record.find('\n');
    if (space == std::string::npos || end == std::string::npos || end < space ||
        record.substr(0, space) != std::to_string(pid))
        return std::nullopt;
    return record.substr(space + 1, end - space - 1);
}

}  // namespace vantrel::platform
