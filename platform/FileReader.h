// Reads a regular file from its start to its end, piece by piece, so that
// a file of any size takes the same memory. Plain reads on every platform:
// a package is never mapped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>

#include "platform/Utf8Path.h"

namespace vantrel::platform {

// What went wrong, as a short reason ("No such file or directory", "it is
// not a file"): the caller names the file in its own sentence.
class TFileReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TFileReader {
public:
    // Opens `path` for reading. Anything but a regular file (a directory, a
    // pipe that would never end, a device) is refused without waiting on it.
    explicit TFileReader(const std::filesystem::path& path);
    ~TFileReader();
    TFileReader(const TFileReader&) = delete;
    TFileReader& operator=(const TFileReader&) = delete;

    // The size when the file was opened.
    std::uint64_t Size() const { return FSize; }

    // Fills the front of `buffer` with the next bytes; 0 at the end.
    std::size_t Read(std::span<unsigned char> buffer);

private:
#ifdef _WIN32
    void* FHandle;  // the file's HANDLE
#else
    int FFd;
#endif
    std::uint64_t FSize = 0;
};

}  // namespace vantrel::platform
