#include "signature/MinisignFormat.h"

#include <sodium.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vantrel {
namespace {

constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";

// Sizes of the decoded base64 lines: algorithm (2), key id (8), then the
// 32-byte public key or the 64-byte signature.
constexpr std::size_t kPublicKeyBlobSize = 2 + 8 + 32;
constexpr std::size_t kSignatureBlobSize = 2 + 8 + 64;
constexpr std::size_t kGlobalSignatureSize = 64;

// The file being parsed: how messages name it, and what its faults mean.
struct TParsed {
    std::string What;
    TSignatureFault Fault;
};

const TParsed kKeyFile{"The package-signing key file", TSignatureFault::KeyUnusable};
const TParsed kSignatureFile{"The signature file is damaged: it",
                             TSignatureFault::SignatureDamaged};

[[noreturn]] void Fail(const TParsed& what, const std::string& detail) {
    throw TSignatureError(what.Fault, what.What + " " + detail);
}

// Splits the file into lines without their "\n" or "\r\n" endings. Sizes are
// bounded first, so that nothing from outside makes us allocate much.
std::vector<std::string_view> SplitLines(std::string_view text, const TParsed& what) {
    if (text.size() > kMinisignMaxFileSize)
        Fail(what, "is larger than any such file can be.");
    if (text.find('\0') != std::string_view::npos)
        Fail(what, "contains a zero byte, so it is not a text file.");
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMinisignMaxLineLength)
            Fail(what, "has a line that is too long.");
        lines.push_back(line);
    }
    // Blank lines at the end are harmless (an editor's final newline); other
    // text after the last field means the file is not what it claims to be.
    while (!lines.empty() && lines.back().find_first_not_of(" \t") == std::string_view::npos)
        lines.pop_back();
    return lines;
}

std::string_view TrimRight(std::string_view s) {
    std::size_t end = s.find_last_not_of(" \t");
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

// Decodes one base64 line that must hold exactly `size` bytes.
std::vector<unsigned char> DecodeBase64(std::string_view line, std::size_t size,
                                        const TParsed& what, const char* field) {
    line = TrimRight(line);
    // Room for whatever the line decodes to, so that a long field is reported
    // as such rather than as a decoding error.
    std::vector<unsigned char> out(line.size() / 4 * 3 + 3);
    std::size_t decoded = 0;
    const char* end = nullptr;
    int rc = sodium_base642bin(out.data(), out.size(), line.data(), line.size(), nullptr, &decoded,
                               &end, sodium_base64_VARIANT_ORIGINAL);
    if (rc != 0 || end != line.data() + line.size())
        Fail(what, std::string("has a ") + field + " that is not valid base64.");
    if (decoded != size)
        Fail(what, std::string("has a ") + field + " of the wrong length.");
    out.resize(size);
    return out;
}

void RequirePrefix(std::string_view line, std::string_view prefix, const TParsed& what,
                   const char* missing) {
    if (line.substr(0, prefix.size()) != prefix)
        Fail(what, missing);
}

}  // namespace

// minisign prints the id as one little-endian 64-bit number in hexadecimal,
// without leading zeros; the vendor compares what we print with that.
std::string KeyIdText(const std::array<unsigned char, 8>& keyId) {
    std::uint64_t number = 0;
    for (std::size_t i = keyId.size(); i-- > 0;)
        number = (number << 8) | keyId[i];
    char text[17];
    std::snprintf(text, sizeof text, "%" PRIX64, number);
    return text;
}

TMinisignPublicKey ParseMinisignPublicKey(std::string_view fileText) {
    const TParsed& what = kKeyFile;
    if (sodium_init() < 0)
        throw TSignatureError(TSignatureFault::KeyUnusable,
                              "The signature library could not be started.");
    std::vector<std::string_view> lines = SplitLines(fileText, what);
    if (lines.size() != 2)
        Fail(what, "does not have the two lines of a minisign public key (comment and key).");
    RequirePrefix(lines[0], kUntrustedPrefix, what,
                  "does not start with an \"untrusted comment: \" line.");
    std::vector<unsigned char> blob = DecodeBase64(lines[1], kPublicKeyBlobSize, what, "key");
    if (blob[0] != 'E' || blob[1] != 'd')
        Fail(what, "names a signature algorithm other than Ed25519.");
    TMinisignPublicKey key;
    std::memcpy(key.KeyId.data(), blob.data() + 2, key.KeyId.size());
    std::memcpy(key.Key.data(), blob.data() + 10, key.Key.size());
    return key;
}

TMinisignSignature ParseMinisignSignature(std::string_view fileText) {
    const TParsed& what = kSignatureFile;
    if (sodium_init() < 0)
        throw TSignatureError(TSignatureFault::KeyUnusable,
                              "The signature library could not be started.");
    std::vector<std::string_view> lines = SplitLines(fileText, what);
    if (lines.size() != 4)
        Fail(what, "does not have the four lines of a minisign signature.");
    RequirePrefix(lines[0], kUntrustedPrefix, what,
                  "does not start with an \"untrusted comment: \" line.");
    RequirePrefix(lines[2], kTrustedPrefix, what, "has no \"trusted comment: \" line.");

    std::vector<unsigned char> blob = DecodeBase64(lines[1], kSignatureBlobSize, what, "signature");
    TMinisignSignature sig;
    if (blob[0] == 'E' && blob[1] == 'D')
        sig.Algorithm = TSignatureAlgorithm::Hashed;
    else if (blob[0] == 'E' && blob[1] == 'd')
        sig.Algorithm = TSignatureAlgorithm::Legacy;
    else
        Fail(what, "names a signature algorithm this program does not know.");
    std::memcpy(sig.KeyId.data(), blob.data() + 2, sig.KeyId.size());
    std::memcpy(sig.Signature.data(), blob.data() + 10, sig.Signature.size());

    sig.TrustedComment = std::string(lines[2].substr(kTrustedPrefix.size()));
    std::vector<unsigned char> global =
        DecodeBase64(lines[3], kGlobalSignatureSize, what, "global signature");
    std::memcpy(sig.GlobalSignature.data(), global.data(), global.size());
    return sig;
}

}  // namespace vantrel
