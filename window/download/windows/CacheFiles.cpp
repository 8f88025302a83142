// The cache files on Windows. A symbolic link or a junction is a reparse
// point there: a file is opened with FILE_FLAG_OPEN_REPARSE_POINT, so that
// the point itself is opened rather than what it names, and one found is
// removed as on Linux. Failures are told as errno values, which is what the
// stream and the window's messages speak.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <random>

#include "window/download/CacheFiles.h"

namespace vantrel::cache {
namespace {

// Names are in the system code page, as the rest of the program passes them.
std::wstring Wide(const std::string& path) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
    return wide;
}

int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        default:
            return EIO;
    }
}

bool IsReparsePoint(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// A handle to the file itself (never what a reparse point names), or
// INVALID_HANDLE_VALUE with errno set.
HANDLE OpenHandle(const std::wstring& path, int flags) {
    const DWORD access =
        (flags & (O_WRONLY | O_RDWR)) != 0 ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & O_CREAT) != 0 && (flags & O_EXCL) != 0)
        disposition = CREATE_NEW;
    else if ((flags & O_CREAT) != 0)
        disposition = (flags & O_TRUNC) != 0 ? CREATE_ALWAYS : OPEN_ALWAYS;
    else if ((flags & O_TRUNC) != 0)
        disposition = TRUNCATE_EXISTING;
    const HANDLE handle =
        CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, disposition,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        errno = ErrnoOf(GetLastError());
    return handle;
}

bool HandleIsReparsePoint(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(handle, &info) != 0 && IsReparsePoint(info.dwFileAttributes);
}

std::string TemporaryNameBeside(const std::string& path) {
    static std::mt19937_64 random{std::random_device{}()};
    return path + ".new-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(random() % 1000000);
}

}  // namespace

TFileState FileStateOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    TFileState state;
    if (GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data) == 0)
        return state;
    state.Exists = true;
    state.IsLink = IsReparsePoint(data.dwFileAttributes);
    if (!state.IsLink)
        state.Size = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    return state;
}

bool RemoveOwnFile(const std::string& path) {
    const std::wstring wide = Wide(path);
    // A junction or a directory link is removed as a directory: the point
    // goes, what it names stays.
    return DeleteFileW(wide.c_str()) != 0 || RemoveDirectoryW(wide.c_str()) != 0;
}

int OpenOwnFile(const std::string& path, int flags, int /*mode*/) {
    const std::wstring wide = Wide(path);
    HANDLE handle = OpenHandle(wide, flags);
    if (handle != INVALID_HANDLE_VALUE && HandleIsReparsePoint(handle)) {
        CloseHandle(handle);
        RemoveOwnFile(path);
        if ((flags & O_CREAT) == 0) {
            errno = ENOENT;
            return -1;
        }
        handle = OpenHandle(wide, flags | O_EXCL);
    }
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                   (flags & (O_WRONLY | O_RDWR)) | _O_BINARY | _O_NOINHERIT);
    if (fd < 0)
        CloseHandle(handle);
    return fd;
}

std::optional<std::string> ReadOwnFile(const std::string& path, std::size_t maxSize) {
    const int fd = OpenOwnFile(path, O_RDONLY);
    if (fd < 0)
        return std::nullopt;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    LARGE_INTEGER size{};
    std::optional<std::string> text;
    if (GetFileType(handle) == FILE_TYPE_DISK && GetFileSizeEx(handle, &size) != 0 &&
        static_cast<std::uint64_t>(size.QuadPart) <= maxSize) {
        std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        if (bytes.empty() ||
            (ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) != 0 &&
             got == bytes.size()))
            text = std::move(bytes);
    }
    _close(fd);
    return text;
}

bool ReplaceOwnFile(const std::string& path, std::string_view data, std::string* error) {
    const std::string temporary = TemporaryNameBeside(path);
    const std::wstring wideTemporary = Wide(temporary);
    const HANDLE handle = OpenHandle(wideTemporary, O_WRONLY | O_CREAT | O_EXCL);
    bool written = handle != INVALID_HANDLE_VALUE;
    DWORD failure = written ? ERROR_SUCCESS : GetLastError();
    if (written) {
        DWORD count = 0;
        written = (data.empty() || (WriteFile(handle, data.data(), static_cast<DWORD>(data.size()),
                                              &count, nullptr) != 0 &&
                                    count == data.size())) &&
                  FlushFileBuffers(handle) != 0;
        if (!written)
            failure = GetLastError();
        CloseHandle(handle);
    }
    // Replaces a reparse point in the target's place instead of writing
    // through it.
    if (written && MoveFileExW(wideTemporary.c_str(), Wide(path).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        written = false;
        failure = GetLastError();
    }
    if (!written) {
        if (error != nullptr)
            *error = "Windows error " + std::to_string(failure);
        DeleteFileW(wideTemporary.c_str());
    }
    return written;
}

}  // namespace vantrel::cache
