#include "tools/reply/Signing.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <vector>

#include "signature/MinisignFormat.h"
#include "tools/reply/ToolError.h"
#include "tools/reply/ToolFiles.h"

extern char** environ;

namespace vantrel::tools {
namespace {

namespace fs = std::filesystem;

// A signature that is not there is an unsigned file, which the client
// refuses like a bad signature.
std::string ReadSignatureText(const fs::path& signature) {
    std::error_code error;
    if (!fs::exists(signature, error) && !error) {
        throw TSignatureError(TSignatureFault::SignatureDamaged,
                              "There is no signature " + signature.string() + ".");
    }
    try {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(signature, kMinisignMaxFileSize);
        return {bytes.begin(), bytes.end()};
    } catch (const TToolError& failure) {
        throw TSignatureError(TSignatureFault::SignatureDamaged, failure.what());
    }
}

template <typename TVerify, typename TRequire>
TSignatureCheck CheckSignature(const fs::path& file, TVerify verify, TRequire require) {
    TSignatureCheck check;
    try {
        check.TrustedComment = verify(ReadSignatureText(SignatureFileOf(file)));
        require(*check.TrustedComment);
        check.Verified = true;
    } catch (const TSignatureError& failure) {
        check.Error = failure.what();
    }
    return check;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            throw InputError(std::string("cannot wait for minisign: ") + std::strerror(errno));
    }
    return status;
}

}  // namespace

fs::path SignatureFileOf(const fs::path& file) {
    return fs::path(file.string() + ".minisig");
}

TMinisignPublicKey LoadPublicKey(const std::string& path) {
    try {
        return LoadMinisignPublicKeyFile(path);
    } catch (const TSignatureError& failure) {
        throw FileError(failure.what());
    }
}

TSignatureCheck CheckReplySignature(std::span<const std::uint8_t> reply, const fs::path& replyFile,
                                    const TMinisignPublicKey& key, const std::string& projectID) {
    return CheckSignature(
        replyFile,
        [&](const std::string& text) { return VerifySignedBytes(reply, text, key, "reply"); },
        [&](const std::string& comment) { RequireReplyComment(comment, projectID); });
}

TSignatureCheck CheckPackageSignature(const fs::path& file, const TMinisignPublicKey& key,
                                      const TSignedRelease& release) {
    return CheckSignature(
        file, [&](const std::string& text) { return VerifyPackageFile(file.string(), text, key); },
        // Nothing is installed here; 0 leaves only the match with the release.
        [&](const std::string& comment) { RequirePackageComment(comment, release, 0); });
}

void SignWithMinisign(const std::string& secretKey, const fs::path& file,
                      const std::string& trustedComment) {
    // An argument vector, never a shell: names and comments are passed as they are.
    std::vector<std::string> args = {
        "minisign", "-S",          "-s", secretKey,
        "-m",       file.string(), "-x", SignatureFileOf(file).string(),
        "-t",       trustedComment};
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    // What this tool printed comes before minisign's password prompt.
    std::cout.flush();
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, "minisign", nullptr, nullptr, argv.data(), environ);
    if (started == ENOENT)
        throw InputError("minisign was not found on PATH; install it (Debian: minisign)");
    if (started != 0)
        throw InputError(std::string("cannot start minisign: ") + std::strerror(started));
    const int status = WaitFor(pid);
    if (WIFSIGNALED(status))
        throw InputError("minisign was ended by signal " + std::to_string(WTERMSIG(status)));
    if (WEXITSTATUS(status) != 0) {
        throw InputError("minisign failed (exit status " + std::to_string(WEXITSTATUS(status)) +
                         "); " + file.string() + " was not signed");
    }
}

}  // namespace vantrel::tools
