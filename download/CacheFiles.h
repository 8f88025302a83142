// The files a download keeps in the user's cache directory (the partial
// package, its resume record, its signature) are only ever ours. Another
// program of the user's, or a careless script, may have put a symbolic link
// in their place; following it would append to, overwrite or replace some
// other file. So nothing here follows a link: a link found is removed, and
// what it stood for counts as absent.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::cache {

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
