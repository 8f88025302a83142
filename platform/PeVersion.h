// The file version of a Windows library, read from its PE image directly.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace vantrel::platform {

// The two 32-bit halves of VS_FIXEDFILEINFO's file version: MS holds major
// (high 16 bits) and minor, LS release (high 16 bits) and build.
struct TFileVersion {
    std::uint32_t MS = 0;
    std::uint32_t LS = 0;

    std::uint32_t Major() const { return MS >> 16; }
    std::uint32_t Minor() const { return MS & 0xFFFF; }
    std::uint32_t Release() const { return LS >> 16; }
    std::uint32_t Build() const { return LS & 0xFFFF; }
};

// Library files larger than this are not read; the add-in libraries are a
// few megabytes.
inline constexpr std::uintmax_t kMaxPeFileSize = std::uintmax_t{256} * 1024 * 1024;

// The file version of a PE32 or PE32+ image: headers, resource directory,
// the first RT_VERSION entry, VS_VERSIONINFO and its VS_FIXEDFILEINFO.
// Nothing when any part is missing, damaged or of size 0; every offset is
// checked against the image, so no input reads outside it.
std::optional<TFileVersion> ReadPeFileVersion(std::span<const std::uint8_t> image);

// The same for a file; nothing also when the file cannot be read.
std::optional<TFileVersion> ReadPeFileVersion(const std::filesystem::path& file);

}  // namespace vantrel::platform
