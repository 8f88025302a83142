#include "signature/PackageSignature.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "core/iProcs.h"
#include "platform/FileDescriptor.h"
#include "signature/MinisignFormat.h"

namespace vantrel {
namespace {

// Large enough that the hash, not the system calls, sets the pace, and small
// enough to stay in the CPU's cache between the copy and the hash (256 KiB
// cost a third more system time here). The same memory for any package size.
constexpr std::size_t kHashChunk = 1 << 16;

using platform::TFd;

[[noreturn]] void FailUnreadable(const std::string& packageFile, int error) {
    throw TSignatureError(TSignatureFault::FileUnreadable,
                          "The package " + packageFile +
                              " could not be read to check its signature: " + std::strerror(error) +
                              ".");
}

// Opens a regular file for reading; anything else (a directory, a pipe that
// would never end) is not a package.
int OpenRegularFile(const std::string& packageFile, struct stat& info) {
    // O_NONBLOCK: a FIFO put in the package's place must not hang the open.
    int fd = open(packageFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        FailUnreadable(packageFile, errno);
    TFd file(fd);
    if (fstat(fd, &info) != 0)
        FailUnreadable(packageFile, errno);
    if (!S_ISREG(info.st_mode))
        throw TSignatureError(TSignatureFault::FileUnreadable,
                              "The package " + packageFile +
                                  " could not be read to check its signature: it is not a file.");
    return file.release();
}

// Reads until end of file, retrying interrupted reads.
void HashFile(int fd, const std::string& packageFile, crypto_generichash_blake2b_state& state) {
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<unsigned char> buffer(kHashChunk);
    for (;;) {
        ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            FailUnreadable(packageFile, errno);
        if (got == 0)
            return;
        crypto_generichash_blake2b_update(&state, buffer.data(), static_cast<std::size_t>(got));
    }
}

// "ED": the signature covers the BLAKE2b-512 hash of the file, which is
// computed in fixed-size pieces.
bool VerifyHashed(const std::string& packageFile, const TMinisignSignature& sig,
                  const TMinisignPublicKey& key) {
    struct stat info {};
    TFd file(OpenRegularFile(packageFile, info));
    crypto_generichash_blake2b_state state;
    crypto_generichash_blake2b_init(&state, nullptr, 0, crypto_generichash_blake2b_BYTES_MAX);
    HashFile(file.get(), packageFile, state);
    unsigned char hash[crypto_generichash_blake2b_BYTES_MAX];
    crypto_generichash_blake2b_final(&state, hash, sizeof hash);
    return crypto_sign_verify_detached(sig.Signature.data(), hash, sizeof hash, key.Key.data()) ==
           0;
}

// "Ed": the signature covers the file itself, and Ed25519 needs the whole
// message at once. The file is mapped rather than copied, so its pages are
// the page cache's and not our heap. (The package lies in the user's private
// cache directory, where nothing else truncates it while it is mapped.)
bool VerifyLegacy(const std::string& packageFile, const TMinisignSignature& sig,
                  const TMinisignPublicKey& key) {
    struct stat info {};
    TFd file(OpenRegularFile(packageFile, info));
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size == 0)
        return crypto_sign_verify_detached(sig.Signature.data(), nullptr, 0, key.Key.data()) == 0;
    void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.get(), 0);
    if (data == MAP_FAILED)
        FailUnreadable(packageFile, errno);
    madvise(data, size, MADV_SEQUENTIAL);
    bool good =
        crypto_sign_verify_detached(sig.Signature.data(), static_cast<const unsigned char*>(data),
                                    size, key.Key.data()) == 0;
    munmap(data, size);
    return good;
}

// The global signature binds the trusted comment to this file's signature.
bool VerifyTrustedComment(const TMinisignSignature& sig, const TMinisignPublicKey& key) {
    std::vector<unsigned char> message(sig.Signature.begin(), sig.Signature.end());
    message.insert(message.end(), sig.TrustedComment.begin(), sig.TrustedComment.end());
    return crypto_sign_verify_detached(sig.GlobalSignature.data(), message.data(), message.size(),
                                       key.Key.data()) == 0;
}

std::string ReadKeyFile(const std::string& path, int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw TSignatureError(TSignatureFault::KeyUnusable,
                                  "The package-signing key file " + path +
                                      " could not be read: " + std::strerror(errno) + ".");
        if (got == 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > kMinisignMaxFileSize)
            throw TSignatureError(
                TSignatureFault::KeyUnusable,
                "The package-signing key file " + path + " is larger than any such file can be.");
    }
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
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw TSignatureError(TSignatureFault::KeyUnusable,
                              "The package-signing key file " + path +
                                  " could not be read: " + std::strerror(errno) + ".");
    TFd file(fd);
    return ParseMinisignPublicKey(ReadKeyFile(path, file.get()));
}

std::optional<TMinisignPublicKey> LoadPackagePublicKey() {
    const std::string path = AppDir + "package-key.pub";
    // Only a name that is not there at all means "this build does not
    // verify"; a dangling link or an unreadable file is a broken key.
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 && errno == ENOENT)
        return std::nullopt;
    return LoadMinisignPublicKeyFile(path);
}

}  // namespace vantrel
