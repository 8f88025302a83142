#include "controller/PackageVerification.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "controller/PackageTransfer.h"
#include "controller/TextTemplates.h"
#include "core/SourceTexts.h"
#include "core/iProcs.h"
#include "download/ResumeRecord.h"
#include "i18n/SFTranslateRepository.h"
#include "platform/HttpClient.h"
#include "signature/MinisignFormat.h"
#include "signature/PackageSignature.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSignatureUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Win32)";

// Kept beside the package, so that the hand-over to the installer checks
// the same signature without asking the server again.
std::string SignatureCopy(const std::string& tempDir) {
    return FinalPackageFile(tempDir) + ".minisig";
}

QString Message(TSFTranslateRepository* repository, std::string_view text,
                const std::string& reason) {
    const std::string key(text);
    QString message = repository ? repository->Translate(key) : QString();
    if (message.isEmpty())
        message = QString::fromUtf8(key);
    return FormatText(message, {QString::fromUtf8(reason)});
}

// The signature's text; nullopt with `error` set when there is none to be had.
std::optional<std::string> FetchSignature(std::string& error) {
    const std::string url = PackageURL() + ".minisig";
    platform::HttpRequestOptions options;
    options.userAgent = kSignatureUserAgent;
    // One byte more than any signature file shows an over-long one.
    options.maxBodyBytes = kMinisignMaxFileSize + 1;
    options.extraHeaders = {"Pragma: no-cache", "Cache-Control: no-cache"};
    std::vector<std::uint8_t> body;
    const platform::HttpFetchResult result = platform::FetchUrl(url, body, options);
    if (!result.gotResponse) {
        error = "The signature " + url + " could not be fetched: " + result.error + ".";
    } else if (result.status != 200) {
        error = "The server answered " + std::to_string(result.status) + " for the signature " +
                url + ".";
    } else if (!result.error.empty() && body.size() <= kMinisignMaxFileSize) {
        error = "The signature " + url + " broke off: " + result.error + ".";
    } else {
        // An over-long body is the signature file's own fault: it is had,
        // and verification refuses it.
        return std::string(body.begin(), body.end());
    }
    return std::nullopt;
}

std::optional<std::string> ReadSignatureCopy(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(kMinisignMaxFileSize + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

void WriteSignatureCopy(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// The file the installer would be given.
std::string PackageOnDisk(const std::string& tempDir) {
    std::error_code error;
    const std::string temporary = TemporaryPackageFile(tempDir);
    return fs::is_regular_file(temporary, error) ? temporary : FinalPackageFile(tempDir);
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

TVerification VerifyDownloadedPackage(const std::string& tempDir, bool fetchSignature,
                                      TSFTranslateRepository* repository) {
    TVerification verification;
    std::optional<TMinisignPublicKey> key;
    try {
        key = LoadPackagePublicKey();
    } catch (const TSignatureError& e) {
        verification.Reason = Message(repository, texts::kSignatureUnavailable, e.what());
        return verification;
    }
    if (!key) {
        verification.Outcome = TVerifyOutcome::Verified;
        return verification;
    }
    const std::string copy = SignatureCopy(tempDir);
    std::optional<std::string> signature = fetchSignature ? std::nullopt : ReadSignatureCopy(copy);
    if (!signature) {
        std::error_code ignored;
        fs::remove(copy, ignored);
        std::string error;
        signature = FetchSignature(error);
        if (!signature) {
            verification.Reason = Message(repository, texts::kSignatureUnavailable, error);
            return verification;
        }
        WriteSignatureCopy(copy, *signature);
    }
    try {
        VerifyPackageFile(PackageOnDisk(tempDir), *signature, *key);
        verification.Outcome = TVerifyOutcome::Verified;
    } catch (const TSignatureError& e) {
        verification.Outcome = TVerifyOutcome::Rejected;
        verification.Reason = Message(repository, texts::kPackageNotVerified, e.what());
    }
    return verification;
}

void RemovePackageFiles(const std::string& tempDir, bool includingFinal) {
    const std::string temporary = TemporaryPackageFile(tempDir);
    std::error_code ignored;
    fs::remove(temporary, ignored);
    if (includingFinal)
        fs::remove(FinalPackageFile(tempDir), ignored);
    fs::remove(ResumeRecordFile(QString::fromLocal8Bit(temporary)).toLocal8Bit().toStdString(),
               ignored);
    fs::remove(SignatureCopy(tempDir), ignored);
}

}  // namespace vantrel
