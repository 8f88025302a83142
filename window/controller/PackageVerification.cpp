#include "window/controller/PackageVerification.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "core/SourceTexts.h"
#include "core/iProcs.h"
#include "signature/MinisignFormat.h"
#include "signature/PackageSignature.h"
#include "signature/TrustedComment.h"
#include "window/controller/PackageTransfer.h"
#include "window/controller/TextTemplates.h"
#include "window/download/CacheFiles.h"
#include "window/download/ResumeRecord.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// Kept beside the package, so that the hand-over to the installer checks
// the same signature without asking the server again.
std::string SignatureCopy(const std::string& tempDir) {
    return FinalPackageFile(tempDir) + ".minisig";
}

// The file the installer would be given.
std::string PackageOnDisk(const std::string& tempDir) {
    std::error_code error;
    const std::string temporary = TemporaryPackageFile(tempDir);
    return fs::is_regular_file(temporary, error) ? temporary : FinalPackageFile(tempDir);
}

std::string_view ReasonText(TSignatureFault fault) {
    switch (fault) {
        case TSignatureFault::KeyUnusable:
            return texts::kReasonKeyUnusable;
        case TSignatureFault::SignatureDamaged:
            return texts::kReasonSignatureDamaged;
        case TSignatureFault::ForeignKey:
            return texts::kReasonForeignKey;
        case TSignatureFault::DataAltered:
            return texts::kReasonPackageAltered;
        case TSignatureFault::CommentAltered:
            return texts::kReasonCommentAltered;
        case TSignatureFault::FileUnreadable:
            return texts::kReasonPackageUnreadable;
        case TSignatureFault::NotThisRelease:
            return texts::kReasonNotThisRelease;
    }
    return texts::kReasonSignatureDamaged;
}

// The user reads the reason in the window's language; the English detail,
// which names files and keys, goes to the log.
std::u16string Reason(TSFTranslateRepository* repository, const TSignatureError& error) {
    std::cerr << "vantrel: package not verified: " << error.what() << "\n";
    return FormatMessage(repository, ReasonText(error.Fault), {});
}

// The message names the control that tries again.
std::string_view UnavailableText(bool atInstall) {
    return atInstall ? texts::kSignatureUnavailableAtInstall : texts::kSignatureUnavailable;
}

// The release the reply offers, which the signature must name.
TSignedRelease OfferedRelease() {
    return {ProjectID, AvailableProduct.Version, AvailableProduct.FileName};
}

}  // namespace

bool PackageVerificationWanted() {
    // Anything at the key's path asks for verification, a dangling link
    // included: the key loader then refuses it, and nothing is installed
    // unverified because a vendor's key went missing.
    // A path that cannot be looked at also asks for it.
    std::error_code error;
    return fs::symlink_status(AppDir + "package-key.pub", error).type() != fs::file_type::not_found;
}

std::optional<std::string> KeptSignature(const std::string& tempDir) {
    return cache::ReadOwnFile(SignatureCopy(tempDir), kMinisignMaxFileSize);
}

TVerification VerifyDownloadedPackage(const std::string& tempDir, const std::string& signature,
                                      bool atInstall, TSFTranslateRepository* repository) {
    TVerification verification;
    try {
        const std::optional<TMinisignPublicKey> key = LoadPackagePublicKey();
        if (!key) {
            verification.Outcome = TVerifyOutcome::Verified;
            return verification;
        }
        if (KeptSignature(tempDir) != signature)
            cache::ReplaceOwnFile(SignatureCopy(tempDir), signature);
        const std::string comment = VerifyPackageFile(PackageOnDisk(tempDir), signature, *key);
        RequirePackageComment(comment, OfferedRelease(), InstalledProduct.Version);
        verification.Outcome = TVerifyOutcome::Verified;
    } catch (const TSignatureError& e) {
        // A key that cannot be used says nothing against the package: it
        // stays for another try once the key is mended.
        const bool worthless = e.Fault != TSignatureFault::KeyUnusable;
        verification.Outcome = worthless ? TVerifyOutcome::Rejected : TVerifyOutcome::Unavailable;
        const std::u16string reason = Reason(repository, e);
        verification.Reason = FormatMessage(
            repository, !worthless ? UnavailableText(atInstall) : texts::kPackageNotVerified,
            {reason});
    }
    return verification;
}

TVerification SignatureUnavailable(const std::string& url, bool atInstall,
                                   TSFTranslateRepository* repository) {
    TVerification verification;
    const std::u16string reason =
        FormatMessage(repository, texts::kReasonSignatureNotFetched, {LocalText(url)});
    verification.Reason = FormatMessage(repository, UnavailableText(atInstall), {reason});
    return verification;
}

void RemovePackageFiles(const std::string& tempDir, bool includingFinal) {
    const std::string temporary = TemporaryPackageFile(tempDir);
    std::error_code ignored;
    fs::remove(temporary, ignored);
    if (includingFinal)
        fs::remove(FinalPackageFile(tempDir), ignored);
    fs::remove(ResumeRecordFile(temporary), ignored);
    fs::remove(SignatureCopy(tempDir), ignored);
}

}  // namespace vantrel
