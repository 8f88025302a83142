// Signed packages: when the vendor's public key ships beside the program, a
// transferred package counts as downloaded only once its minisign signature
// (fetched from the package address + ".minisig") verifies and its trusted
// comment names the release on offer, and it is checked again just before
// the installer gets it. The check itself is the check side's (signature/);
// this is the window's use of it. Nothing here touches the network: the
// window fetches the signature (TSignatureFetch) and hands the text in.
#pragma once

#include <optional>
#include <string>

#include "window/controller/MainServices.h"
#include "window/controller/PackageNames.h"

namespace vantrel {

class TSFTranslateRepository;

// Whether this build verifies packages: package-key.pub lies beside the
// program. A key file that is there but broken still says yes, so that the
// check fails closed instead of being skipped.
bool PackageVerificationWanted();

// The signature kept beside the package at the last fetch; none when there
// is none (or something other than a file of ours lies there).
std::optional<std::string> KeptSignature(const std::string& tempDir);

// Checks the package in `tempDir` (the temporary file, or the final file
// when an earlier move left only that) against `signature`, and keeps that
// text beside it for the check before installing. Without a key in this
// build everything verifies. `atInstall`: the message for a key that cannot
// be used names "Start installation" rather than "Resume" as the way to try
// again.
TVerification VerifyDownloadedPackage(const std::string& tempDir, const std::string& signature,
                                      bool atInstall, TSFTranslateRepository* repository = nullptr);

// What the user is told when the signature could not be had.
TVerification SignatureUnavailable(const std::string& url, bool atInstall,
                                   TSFTranslateRepository* repository = nullptr);

// Deletes the package's temporary file with its resume record and signature
// copy, and with `includingFinal` the final file too (results ignored).
void RemovePackageFiles(const std::string& tempDir, bool includingFinal = false);

}  // namespace vantrel
