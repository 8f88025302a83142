// Signed packages: when the vendor's public key ships beside the program, a
// transferred package counts as downloaded only once its minisign signature
// (fetched from the package address + ".minisig") verifies, and it is
// checked again just before the installer gets it. The check itself is the
// check side's (signature/); this is the window's use of it.
#pragma once

#include <QString>

#include <string>

namespace vantrel {

class TSFTranslateRepository;

// Whether this build verifies packages: package-key.pub lies beside the
// program. A key file that is there but broken still says yes, so that the
// check fails closed instead of being skipped.
bool PackageVerificationWanted();

enum class TVerifyOutcome {
    Verified,
    Unavailable,  // no signature to be had, or no usable key: keep the file, try later
    Rejected,     // the signature was had and does not verify: the file is worthless
};

struct TVerification {
    TVerifyOutcome Outcome = TVerifyOutcome::Unavailable;
    QString Reason;  // for the user, translated; empty when verified
};

// Checks the package in `tempDir`: the temporary file, or the final file
// when an earlier move left only that. `fetchSignature` fetches the
// signature afresh (after a transfer); otherwise the copy kept at the last
// fetch is used, and fetched only when it is missing. Blocks while fetching.
TVerification VerifyDownloadedPackage(const std::string& tempDir, bool fetchSignature,
                                      TSFTranslateRepository* repository = nullptr);

// Deletes the package's temporary file with its resume record and signature
// copy, and with `includingFinal` the final file too (results ignored).
void RemovePackageFiles(const std::string& tempDir, bool includingFinal = false);

}  // namespace vantrel
