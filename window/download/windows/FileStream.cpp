// The partial package's file on Windows: a CRT descriptor over a handle that
// CacheFiles opened without following a reparse point, read and written at
// explicit offsets like pread and pwrite.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>

#include "window/download/CacheFiles.h"
#include "window/download/Streams.h"

namespace vantrel {
namespace {

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

OVERLAPPED At(std::int64_t position) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(position) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(position) >> 32);
    return at;
}

}  // namespace

TFileStream::TFileStream(const std::string& path, TMode mode) {
    // Never created when appending: appending to a file that vanished would
    // make a package without its first bytes.
    const int flags = mode == TMode::CreateNew ? O_RDWR | O_CREAT | O_TRUNC : O_RDWR;
    FFd = cache::OpenOwnFile(path, flags);
    if (FFd < 0) {
        FError = errno;
        return;
    }
    if (GetFileType(HandleOf(FFd)) != FILE_TYPE_DISK) {
        FError = EINVAL;
        Close();
        return;
    }
    if (mode == TMode::AppendExisting)
        FPosition = Size();
}

void TFileStream::Close() {
    if (FFd >= 0)
        _close(FFd);
    FFd = -1;
}

std::int64_t TFileStream::Size() const {
    LARGE_INTEGER size{};
    return FFd >= 0 && GetFileSizeEx(HandleOf(FFd), &size) != 0 ? size.QuadPart : 0;
}

std::uint32_t TFileStream::Read(void* buffer, std::uint32_t count) {
    if (FFd < 0)
        return 0;
    OVERLAPPED at = At(FPosition);
    DWORD got = 0;
    if (ReadFile(HandleOf(FFd), buffer, count, &got, &at) == 0)
        return 0;
    FPosition += got;
    return got;
}

std::uint32_t TFileStream::Write(const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    while (FFd >= 0 && done < count) {
        OVERLAPPED at = At(FPosition);
        DWORD written = 0;
        if (WriteFile(HandleOf(FFd), static_cast<const char*>(buffer) + done, count - done,
                      &written, &at) == 0 ||
            written == 0) {
            const DWORD error = GetLastError();
            FError = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL    ? ENOSPC
                     : error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ? EACCES
                                                                                    : EIO;
            break;
        }
        done += written;
        FPosition += written;
    }
    if (done != count)
        FWriteFailed = true;
    return done;
}

}  // namespace vantrel
