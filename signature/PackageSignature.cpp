#include "signature/PackageSignature.h"

#include <sodium.h>

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "core/iProcs.h"
#include "platform/FileReader.h"
#include "signature/MinisignFormat.h"

namespace vantrel {
namespace {

// Large enough that the hash, not the system calls, sets the pace, and small
// enough to stay in the CPU's cache between the copy and the hash (256 KiB
// cost a third more system time here). The same memory for any package size.
constexpr std::size_t kHashChunk = 1 << 16;

// The legacy format signs the file itself, and Ed25519 needs the whole
// message in memory at once: a package is held whole only up to this size.
constexpr std::uint64_t kMaxLegacySignedSize = std::uint64_t{256} << 20;

using platform::TFileReader;
using platform::TFileReadError;

[[noreturn]] void FailUnreadable(const std::string& packageFile, const std::string& reason) {
    throw TSignatureError(TSignatureFault::FileUnreadable,
                          "The package " + packageFile +
                              " could not be read to check its signature: " + reason + ".");
}

// Hands each piece of the file to `take`, start to end.
template <typename TTake>
void ReadPackage(const std::string& packageFile, TTake take) {
    try {
        TFileReader file(platform::Utf8Path(packageFile));
        std::vector<unsigned char> buffer(kHashChunk);
        while (const std::size_t got = file.Read(buffer))
            take(std::span<const unsigned char>(buffer.data(), got));
    } catch (const TFileReadError& e) {
        FailUnreadable(packageFile, e.what());
    }
}

// "ED": the signature covers the BLAKE2b-512 hash of the file, which is
// computed in fixed-size pieces.
bool VerifyHashed(const std::string& packageFile, const TMinisignSignature& sig,
                  const TMinisignPublicKey& key) {
    crypto_generichash_blake2b_state state;
    crypto_generichash_blake2b_init(&state, nullptr, 0, crypto_generichash_blake2b_BYTES_MAX);
    ReadPackage(packageFile, [&](std::span<const unsigned char> piece) {
        crypto_generichash_blake2b_update(&state, piece.data(), piece.size());
    });
    unsigned char hash[crypto_generichash_blake2b_BYTES_MAX];
    crypto_generichash_blake2b_final(&state, hash, sizeof hash);
    return crypto_sign_verify_detached(sig.Signature.data(), hash, sizeof hash, key.Key.data()) ==
           0;
}

// "Ed": the signature covers the file itself, read whole into memory (see
// kMaxLegacySignedSize). The vendor's tools sign in the hashed format.
bool VerifyLegacy(const std::string& packageFile, const TMinisignSignature& sig,
                  const TMinisignPublicKey& key) {
    std::vector<unsigned char> data;
    ReadPackage(packageFile, [&](std::span<const unsigned char> piece) {
        if (data.size() + piece.size() > kMaxLegacySignedSize)
            FailUnreadable(packageFile,
                           "it is larger than a signature in minisign's legacy format can cover "
                           "here (256 MiB); it must be signed in the default format");
        data.insert(data.end(), piece.begin(), piece.end());
    });
    return crypto_sign_verify_detached(sig.Signature.data(), data.data(), data.size(),
                                       key.Key.data()) == 0;
}

// The global signature binds the trusted comment to this file's signature.
bool VerifyTrustedComment(const TMinisignSignature& sig, const TMinisignPublicKey& key) {
    std::vector<unsigned char> message(sig.Signature.begin(), sig.Signature.end());
    message.insert(message.end(), sig.TrustedComment.begin(), sig.TrustedComment.end());
    return crypto_sign_verify_detached(sig.GlobalSignature.data(), message.data(), message.size(),
                                       key.Key.data()) == 0;
}

std::string ReadKeyFile(const std::string& path) {
    std::string text;
    try {
        TFileReader file(platform::Utf8Path(path));
        unsigned char buffer[4096];
        while (const std::size_t got = file.Read(buffer)) {
            text.append(reinterpret_cast<const char*>(buffer), got);
            if (text.size() > kMinisignMaxFileSize)
                throw TSignatureError(TSignatureFault::KeyUnusable,
                                      "The package-signing key file " + path +
                                          " is larger than any such file can be.");
        }
    } catch (const TFileReadError& e) {
        throw TSignatureError(
            TSignatureFault::KeyUnusable,
            "The package-signing key file " + path + " could not be read: " + e.what() + ".");
    }
    return text;
}

// Every check but the one over the data itself, which `verifyData` makes
// (it returns false for a signature that does not match).
template <typename TVerifyData>
std::string VerifySigned(std::string_view signatureText, const TMinisignPublicKey& key,
                         std::string_view subject, TVerifyData verifyData) {
    const TMinisignSignature sig = ParseMinisignSignature(signatureText);
    if (sig.KeyId != key.KeyId)
        throw TSignatureError(TSignatureFault::ForeignKey,
                              "The " + std::string(subject) + " was signed with key " +
                                  KeyIdText(sig.KeyId) + ", not with this program's key " +
                                  KeyIdText(key.KeyId) + ".");
    if (!verifyData(sig))
        throw TSignatureError(TSignatureFault::DataAltered,
                              "The " + std::string(subject) +
                                  "'s signature does not match it: the " + std::string(subject) +
                                  " was altered or the signature belongs to another file.");
    if (!VerifyTrustedComment(sig, key))
        throw TSignatureError(TSignatureFault::CommentAltered,
                              "The trusted comment in the " + std::string(subject) +
                                  "'s signature file was altered: its signature does not match.");
    return sig.TrustedComment;
}

}  // namespace

std::string VerifyPackageFile(const std::string& packageFile, std::string_view signatureText,
                              const TMinisignPublicKey& key) {
    return VerifySigned(signatureText, key, "package", [&](const TMinisignSignature& sig) {
        return sig.Algorithm == TSignatureAlgorithm::Hashed ? VerifyHashed(packageFile, sig, key)
                                                            : VerifyLegacy(packageFile, sig, key);
    });
}

std::string VerifySignedBytes(std::span<const std::uint8_t> data, std::string_view signatureText,
                              const TMinisignPublicKey& key, std::string_view subject) {
    return VerifySigned(signatureText, key, subject, [&](const TMinisignSignature& sig) {
        if (sig.Algorithm == TSignatureAlgorithm::Legacy)
            return crypto_sign_verify_detached(sig.Signature.data(), data.data(), data.size(),
                                               key.Key.data()) == 0;
        unsigned char hash[crypto_generichash_blake2b_BYTES_MAX];
        crypto_generichash_blake2b(hash, sizeof hash, data.data(), data.size(), nullptr, 0);
        return crypto_sign_verify_detached(sig.Signature.data(), hash, sizeof hash,
                                           key.Key.data()) == 0;
    });
}

TMinisignPublicKey LoadMinisignPublicKeyFile(const std::string& path) {
    return ParseMinisignPublicKey(ReadKeyFile(path));
}

std::optional<TMinisignPublicKey> LoadPackagePublicKey() {
    const std::string path = AppDir + "package-key.pub";
    // Only a name that is not there at all means "this build does not
    // verify"; a dangling link or an unreadable file is a broken key.
    std::error_code error;
    const auto status = std::filesystem::symlink_status(platform::Utf8Path(path), error);
    if (status.type() == std::filesystem::file_type::not_found)
        return std::nullopt;
    return LoadMinisignPublicKeyFile(path);
}

}  // namespace vantrel
