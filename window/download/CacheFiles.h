// The files a download keeps in the user's cache directory (the partial
// package, its resume record, its signature) are only ever ours. Another
// program of the user's, or a careless script, may have put a symbolic link
// in their place; following it would append to, overwrite or replace some
// other file. So nothing here follows a link: a link found is removed, and
// what it stood for counts as absent.
//
// The implementation here is the POSIX one; names are in the local 8-bit
// encoding of file names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::cache {

// What lies at a path, the link itself rather than what it names.
struct TFileState {
    bool Exists = false;
    bool IsLink = false;
    std::int64_t Size = 0;  // of a file that is not a link
};
TFileState FileStateOf(const std::string& path);

// Removes the file (or the link) at `path`; false when nothing was removed.
bool RemoveOwnFile(const std::string& path);

// Opens `path` (flags as for open(2), O_NOFOLLOW and O_CLOEXEC added). When a
// link lies there it is removed and, with O_CREAT, the open is tried once
// more, so that a new file takes its place. -1 with errno set otherwise.
int OpenOwnFile(const std::string& path, int flags, int mode = 0600);

// A small regular file of ours, whole; none when it is absent, a link, not a
// regular file, unreadable or longer than `maxSize`.
std::optional<std::string> ReadOwnFile(const std::string& path, std::size_t maxSize);

// Replaces `path` with `data` atomically: written to a new file beside it,
// then renamed over whatever lay there (a link is replaced, not followed).
// False, with `error` saying why, when it could not be written.
bool ReplaceOwnFile(const std::string& path, std::string_view data, std::string* error = nullptr);

// The user's words for a failed write's errno, in English: the disk is full,
// the folder is read-only, or the system's text.
enum class TWriteFailure { DiskFull, ReadOnly, Other };
TWriteFailure ClassifyWriteFailure(int error);

}  // namespace vantrel::cache
