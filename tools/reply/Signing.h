// The vendor's minisign signatures of replies and packages: made with the
// minisign program, checked as the client checks them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "signature/PackageSignature.h"
#include "signature/TrustedComment.h"

namespace vantrel::tools {

struct TSignatureCheck {
    bool Verified = false;
    // Set whenever the signature is genuine, also when it vouches for
    // something else than what was asked for.
    std::optional<std::string> TrustedComment;
    std::optional<std::string> Error;  // when not verified
};

// FILE.minisig, where minisign puts the signature and the server serves it.
std::filesystem::path SignatureFileOf(const std::filesystem::path& file);

// Throws TToolError (FileError) when the key file is unusable.
TMinisignPublicKey LoadPublicKey(const std::string& path);

// `reply`, read from `replyFile`, against replyFile.minisig: the signature
// and the reply comment of `projectID`. A missing or bad signature is the
// result, not an exception.
TSignatureCheck CheckReplySignature(std::span<const std::uint8_t> reply,
                                    const std::filesystem::path& replyFile,
                                    const TMinisignPublicKey& key, const std::string& projectID);

// The same for a package file and the release it must be signed as.
TSignatureCheck CheckPackageSignature(const std::filesystem::path& file,
                                      const TMinisignPublicKey& key, const TSignedRelease& release);

// Runs minisign to sign `file` into FILE.minisig with `trustedComment`. It
// shares the terminal, to ask for the key's password. Throws TToolError
// (InputError) when minisign is missing or fails.
void SignWithMinisign(const std::string& secretKey, const std::filesystem::path& file,
                      const std::string& trustedComment);

}  // namespace vantrel::tools
