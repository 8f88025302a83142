#include "window/download/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "window/download/CacheFiles.h"

namespace vantrel {

TFileStream::TFileStream(const std::string& path, TMode mode) {
    // Never created when appending: appending to a file that vanished would
    // make a package without its first bytes.
    const int flags = mode == TMode::CreateNew ? O_RDWR | O_CREAT | O_TRUNC : O_RDWR;
    FFd = cache::OpenOwnFile(path, flags | O_NONBLOCK);
    if (FFd < 0) {
        FError = errno;
        return;
    }
    struct stat info {};
    if (fstat(FFd, &info) != 0 || !S_ISREG(info.st_mode)) {
        FError = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        Close();
        return;
    }
    if (mode == TMode::AppendExisting)
        FPosition = info.st_size;
}

void TFileStream::Close() {
    if (FFd >= 0)
        close(FFd);
    FFd = -1;
}

std::int64_t TFileStream::Size() const {
    struct stat info {};
    return FFd >= 0 && fstat(FFd, &info) == 0 ? info.st_size : 0;
}

std::uint32_t TFileStream::Read(void* buffer, std::uint32_t count) {
    if (FFd < 0)
        return 0;
    ssize_t n;
    do {
        n = pread(FFd, buffer, count, FPosition);
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return 0;
    FPosition += n;
    return static_cast<std::uint32_t>(n);
}

std::uint32_t TFileStream::Write(const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    while (FFd >= 0 && done < count) {
        const ssize_t n =
            pwrite(FFd, static_cast<const char*>(buffer) + done, count - done, FPosition);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            FError = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::uint32_t>(n);
        FPosition += n;
    }
    if (done != count)
        FWriteFailed = true;
    return done;
}

}  // namespace vantrel
