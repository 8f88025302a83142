// The text formats of minisign's public-key and signature files, parsed into
// their binary fields. Every field is checked for its exact decoded length.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "signature/PackageSignature.h"

namespace vantrel {

// Both files are a handful of short lines; anything larger is not one of them.
inline constexpr std::size_t kMinisignMaxFileSize = 8192;
inline constexpr std::size_t kMinisignMaxLineLength = 2048;

enum class TSignatureAlgorithm {
    Legacy,  // "Ed": the signature covers the file itself
    Hashed,  // "ED": the signature covers the file's BLAKE2b-512 hash
};

struct TMinisignSignature {
    TSignatureAlgorithm Algorithm = TSignatureAlgorithm::Hashed;
    std::array<unsigned char, 8> KeyId{};
    std::array<unsigned char, 64> Signature{};
    std::string TrustedComment;  // without its "trusted comment: " prefix
    std::array<unsigned char, 64> GlobalSignature{};
};

// Throws TSignatureError naming what is wrong with the signature file.
TMinisignSignature ParseMinisignSignature(std::string_view fileText);

// The key id as minisign prints it: 16 upper-case hex digits of the
// little-endian number.
std::string KeyIdText(const std::array<unsigned char, 8>& keyId);

}  // namespace vantrel
