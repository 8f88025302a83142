#include "download/Streams.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

TFileStream::TFileStream(const QString& fileName, TMode mode) : FFile(fileName) {
    if (mode == TMode::CreateNew) {
        FFile.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered);
    } else if (FFile.exists()) {
        // Never create here: appending to a file that vanished would make a
        // package without its first bytes.
        if (FFile.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
            FFile.seek(FFile.size());
        }
    }
}

std::uint32_t TFileStream::Read(void* buffer, std::uint32_t count) {
    const qint64 n = FFile.read(static_cast<char*>(buffer), count);
    return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}

std::uint32_t TFileStream::Write(const void* buffer, std::uint32_t count) {
    const qint64 n = FFile.write(static_cast<const char*>(buffer), count);
    if (n != static_cast<qint64>(count)) {
        FWriteFailed = true;
    }
    return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}

bool TFileStream::Seek(std::int64_t position) {
    return FFile.seek(position);
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
