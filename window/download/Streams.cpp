#include "window/download/Streams.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

// The file stream's platform parts (opening, reading, writing) are in
// linux/FileStream.cpp and windows/FileStream.cpp.
TFileStream::~TFileStream() {
    Close();
}

bool TFileStream::Seek(std::int64_t position) {
    if (FFd < 0 || position < 0)
        return false;
    FPosition = position;
    return true;
}

std::uint32_t TMemoryStream::Read(void* buffer, std::uint32_t count) {
    const std::size_t n = std::min<std::size_t>(count, FData.size() - FPosition);
    if (n > 0) {
        std::memcpy(buffer, FData.data() + FPosition, n);
        FPosition += n;
    }
    return static_cast<std::uint32_t>(n);
}

std::uint32_t TMemoryStream::Write(const void* buffer, std::uint32_t count) {
    if (count == 0) {
        return 0;
    }
    if (FPosition + count > FData.size()) {
        FData.resize(FPosition + count);
    }
    std::memcpy(FData.data() + FPosition, buffer, count);
    FPosition += count;
    return count;
}

bool TMemoryStream::Seek(std::int64_t position) {
    if (position < 0 || static_cast<std::uint64_t>(position) > FData.size()) {
        return false;
    }
    FPosition = static_cast<std::size_t>(position);
    return true;
}

}  // namespace vantrel
