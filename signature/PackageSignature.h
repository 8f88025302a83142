// Checks a downloaded package against the vendor's minisign signature before
// anything runs it. Plain C++ and libsodium: the check side and vantrel-fetch
// use it without Qt.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantrel {

// Why something signed did not verify. The windows show each in the user's
// language; what() of the error is the English detail for logs and tools.
enum class TSignatureFault {
    KeyUnusable,       // the program's key file cannot be read or is not a key
    SignatureDamaged,  // the signature file is not one of minisign's
    ForeignKey,        // made with another key
    DataAltered,       // the signature does not match what it is said to sign
    CommentAltered,    // the trusted comment was changed after signing
    FileUnreadable,    // the signed file could not be read
    NotThisRelease,    // a good signature for something other than what was offered
};

// Thrown for every reason a signed file is not verified; what() is an
// English sentence (UTF-8).
class TSignatureError : public std::runtime_error {
public:
    TSignatureError(TSignatureFault fault, const std::string& message)
        : runtime_error(message), Fault(fault) {}
    TSignatureFault Fault;
};

struct TMinisignPublicKey {
    std::array<unsigned char, 8> KeyId{};
    std::array<unsigned char, 32> Key{};
};

// Parses the text of a minisign public-key file. Throws TSignatureError.
TMinisignPublicKey ParseMinisignPublicKey(std::string_view fileText);

// Verifies `packageFile` against the text of its .minisig file. Throws
// TSignatureError (foreign key id, bad signature, damaged signature file,
// tampered trusted comment, unreadable package). Returns the trusted comment,
// which says what the vendor signed: the caller checks it (TrustedComment.h).
std::string VerifyPackageFile(const std::string& packageFile, std::string_view signatureText,
                              const TMinisignPublicKey& key);

// The same for bytes in memory (a server reply); `subject` names them in
// the messages ("reply").
std::string VerifySignedBytes(std::span<const std::uint8_t> data, std::string_view signatureText,
                              const TMinisignPublicKey& key, std::string_view subject);

// Reads and parses a minisign public-key file. Throws TSignatureError when
// it is missing, unreadable or not a key.
TMinisignPublicKey LoadMinisignPublicKeyFile(const std::string& path);

// AppDir + "package-key.pub". nullopt when the file does not exist (the build
// does not verify packages); throws TSignatureError when it exists but cannot
// be read or parsed: a vendor's broken key must not mean "no check".
std::optional<TMinisignPublicKey> LoadPackagePublicKey();

}  // namespace vantrel
