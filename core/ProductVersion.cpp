#include "core/ProductVersion.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace vantrel {
namespace {

constexpr std::size_t kFoundOffset = 0;
constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kNameLengthOffset = 8;
constexpr std::size_t kNameOffset = 9;

}  // namespace

TProductVersionRec ReadProductVersionRec(
    std::span<const std::uint8_t, kProductVersionRecSize> bytes) {
    TProductVersionRec rec;
    rec.Found = bytes[kFoundOffset] != 0;
    rec.Version = static_cast<std::uint32_t>(bytes[kVersionOffset]) |
                  static_cast<std::uint32_t>(bytes[kVersionOffset + 1]) << 8 |
                  static_cast<std::uint32_t>(bytes[kVersionOffset + 2]) << 16 |
                  static_cast<std::uint32_t>(bytes[kVersionOffset + 3]) << 24;
    const std::size_t length = std::min<std::size_t>(bytes[kNameLengthOffset], kProductFileNameMax);
    rec.FileName.assign(reinterpret_cast<const char*>(bytes.data() + kNameOffset), length);
    return rec;
}

std::array<std::uint8_t, kProductVersionRecSize> WriteProductVersionRec(
    const TProductVersionRec& rec) {
    std::array<std::uint8_t, kProductVersionRecSize> bytes{};
    bytes[kFoundOffset] = rec.Found ? 1 : 0;
    for (int i = 0; i < 4; ++i) {
        bytes[kVersionOffset + i] = static_cast<std::uint8_t>(rec.Version >> (8 * i));
    }
    const std::size_t length = std::min(rec.FileName.size(), kProductFileNameMax);
    bytes[kNameLengthOffset] = static_cast<std::uint8_t>(length);
    std::memcpy(bytes.data() + kNameOffset, rec.FileName.data(), length);
    return bytes;
}

std::uint32_t PackVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t release,
                          std::uint32_t build) {
    return ((major * 256u + minor) << 16) + (release * 256u + build);
}

std::string VersionToText(std::uint32_t version) {
    return std::to_string(version >> 24) + '.' + std::to_string((version >> 16) & 0xFF) + '.' +
           std::to_string((version >> 8) & 0xFF) + '.' + std::to_string(version & 0xFF);
}

std::optional<std::uint32_t> VersionFromText(const std::string& text) {
    std::uint32_t parts[4] = {};
    const char* pos = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos == end || *pos != '.')
                return std::nullopt;
            ++pos;
        }
        if (pos == end || *pos < '0' || *pos > '9')
            return std::nullopt;
        const auto [next, ec] = std::from_chars(pos, end, parts[i]);
        if (ec != std::errc() || parts[i] > 255)
            return std::nullopt;
        pos = next;
    }
    if (pos != end)
        return std::nullopt;
    return PackVersion(parts[0], parts[1], parts[2], parts[3]);
}

}  // namespace vantrel
