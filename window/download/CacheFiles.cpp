#include "window/download/CacheFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/linux/FileDescriptor.h"

namespace vantrel::cache {
namespace {

using platform::TFd;

bool IsLink(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string TemporaryNameBeside(const std::string& path) {
    static std::mt19937_64 random{std::random_device{}()};
    return path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(random() % 1000000);
}

}  // namespace

TFileState FileStateOf(const std::string& path) {
    struct stat info {};
    TFileState state;
    if (lstat(path.c_str(), &info) != 0) {
        return state;
    }
    state.Exists = true;
    state.IsLink = S_ISLNK(info.st_mode);
    state.Size = state.IsLink ? 0 : static_cast<std::int64_t>(info.st_size);
    return state;
}

bool RemoveOwnFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

int OpenOwnFile(const std::string& path, int flags, int mode) {
    flags |= O_NOFOLLOW | O_CLOEXEC;
    int fd = open(path.c_str(), flags, mode);
    // ELOOP is what O_NOFOLLOW reports for a link; some systems say EMLINK.
    if (fd < 0 && (errno == ELOOP || errno == EMLINK) && IsLink(path)) {
        unlink(path.c_str());
        if ((flags & O_CREAT) == 0) {
            errno = ENOENT;
            return -1;
        }
        fd = open(path.c_str(), flags | O_EXCL, mode);
    }
    return fd;
}

std::optional<std::string> ReadOwnFile(const std::string& path, std::size_t maxSize) {
    // O_NONBLOCK: a FIFO in the file's place must not hang the open.
    const int opened = OpenOwnFile(path, O_RDONLY | O_NONBLOCK);
    if (opened < 0)
        return std::nullopt;
    TFd file(opened);
    struct stat info {};
    if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > maxSize)
        return std::nullopt;
    std::string text(maxSize + 1, '\0');
    std::size_t have = 0;
    for (;;) {
        const ssize_t got = read(file.get(), text.data() + have, text.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        have += static_cast<std::size_t>(got);
        if (have > maxSize)
            return std::nullopt;
    }
    text.resize(have);
    return text;
}

bool ReplaceOwnFile(const std::string& path, std::string_view data, std::string* error) {
    const std::string temporary = TemporaryNameBeside(path);
    const int opened =
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written = opened >= 0;
    if (written) {
        TFd file(opened);
        written = WriteAll(file.get(), data) && fsync(file.get()) == 0;
    }
    written = written && rename(temporary.c_str(), path.c_str()) == 0;
    if (!written) {
        if (error != nullptr)
            *error = std::strerror(errno);
        unlink(temporary.c_str());
    }
    return written;
}

TWriteFailure ClassifyWriteFailure(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return TWriteFailure::DiskFull;
        case EROFS:
        case EACCES:
        case EPERM:
            return TWriteFailure::ReadOnly;
        default:
            return TWriteFailure::Other;
    }
}

}  // namespace vantrel::cache
