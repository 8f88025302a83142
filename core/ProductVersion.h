// The product version record and packed version numbers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vantrel {

// Size of the record as stored and as carried in a server reply.
inline constexpr std::size_t kProductVersionRecSize = 76;
// Longest FileName the record can hold.
inline constexpr std::size_t kProductFileNameMax = 64;

// A detected or offered product version.
//
// Stored layout (little-endian): offset 0 Found (1 byte), 1-3 padding,
// 4 Version (uint32), 8 FileName length (1 byte), 9-72 FileName characters,
// 73-75 padding.
struct TProductVersionRec {
    bool Found = false;
    std::uint32_t Version = 0;
    std::string FileName;  // at most kProductFileNameMax bytes

    bool operator==(const TProductVersionRec&) const = default;
};

// Reads a stored record. A length byte above 64 is taken as 64, so the name
// never reaches past its field. Found is set for any non-zero byte.
TProductVersionRec ReadProductVersionRec(
    std::span<const std::uint8_t, kProductVersionRecSize> bytes);

// Writes a record; a FileName longer than 64 bytes is stored cut to 64.
// Padding and unused name bytes are zero.
std::array<std::uint8_t, kProductVersionRecSize> WriteProductVersionRec(
    const TProductVersionRec& rec);

// ((major * 256 + minor) << 16) + release * 256 + build, in wrapping unsigned
// 32-bit arithmetic: with every component below 256 they fill the four bytes,
// highest first; a larger one carries into the next byte up.
std::uint32_t PackVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t release,
                          std::uint32_t build);

// "a.b.c.d" from the four bytes, highest first, in decimal.
std::string VersionToText(std::uint32_t version);

// The inverse of VersionToText: four dot-separated decimal numbers of 0 to
// 255 each; anything else gives no value.
std::optional<std::uint32_t> VersionFromText(const std::string& text);

}  // namespace vantrel
