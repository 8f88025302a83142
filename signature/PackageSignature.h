// Checks a downloaded package against the vendor's minisign signature before
// anything runs it. Plain C++ and libsodium: the check side and vantrel-fetch
// use it without Qt.
#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantrel {

// Thrown for every reason a package is not verified; what() is an English
// sentence for the user (UTF-8).
class TSignatureError : public std::runtime_error {
public:
    using runtime_error::runtime_error;
};

struct TMinisignPublicKey {
    std::array<unsigned char, 8> KeyId{};
    std::array<unsigned char, 32> Key{};
};

// Parses the text of a minisign public-key file. Throws TSignatureError.
TMinisignPublicKey ParseMinisignPublicKey(std::string_view fileText);

// Verifies `packageFile` against the text of its .minisig file. Throws
// TSignatureError (foreign key id, bad signature, damaged signature file,
// tampered trusted comment, unreadable package). Returns the trusted comment.
std::string VerifyPackageFile(const std::string& packageFile, std::string_view signatureText,
                              const TMinisignPublicKey& key);

// Reads and parses a minisign public-key file. Throws TSignatureError when
// it is missing, unreadable or not a key.
TMinisignPublicKey LoadMinisignPublicKeyFile(const std::string& path);

// AppDir + "package-key.pub". nullopt when the file does not exist (the build
// does not verify packages); throws TSignatureError when it exists but cannot
// be read or parsed: a vendor's broken key must not mean "no check".
std::optional<TMinisignPublicKey> LoadPackagePublicKey();

}  // namespace vantrel
