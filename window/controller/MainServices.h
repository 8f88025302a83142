// What the main window's controller needs besides its view: the dictionary,
// the package's transfer and signature, the installer, the server's notice
// and the store. The front end hands in the ones its toolkit provides (the
// download component runs on its loop); tests hand in their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "download/CacheFiles.h"
#include "platform/qt/BindResults.h"

namespace vantrel {

// The binding's status code of a progress event that counts received bytes
// (BINDSTATUS_DOWNLOADINGDATA).
inline constexpr std::uint32_t kBindStatusDownloadingData = 5;

// How a transfer ended, as the download component reports it.
struct TTransferEnd {
    platform::HRESULT Result = platform::S_OK;
    // The HTTP status of the last answer (0 when none came).
    std::uint32_t ResponseCode = 0;
    // The bytes the package's file holds, when the component says.
    std::optional<std::int64_t> StreamSize;
    // Why the file could not be written (with Result STG_E_CANTSAVE, when
    // the component knows).
    std::optional<cache::TWriteFailure> WriteFailure;
};

// What the window does when the component reports the end of a transfer.
enum class TCompletionAction {
    Downloaded,  // enter the downloaded state
    Nothing,     // the end of a cancelled partial transfer: the pause is shown already
    Pause,       // enter the paused state
};
TCompletionAction CompletionActionFor(platform::HRESULT result, std::uint32_t responseCode);

enum class TVerifyOutcome {
    Verified,
    Unavailable,  // no signature to be had, or no usable key: keep the file, try later
    Rejected,     // the signature was had and does not verify: the file is worthless
};

struct TVerification {
    TVerifyOutcome Outcome = TVerifyOutcome::Unavailable;
    std::u16string Reason;  // for the user, translated; empty when verified
};

struct TSignatureFetchResult {
    std::optional<std::string> Text;  // the file; none when it could not be had
    std::string Failure;              // why not, in English, for the log
};

struct TInstallResult {
    bool Started = false;      // the package was handed to the desktop to open
    std::u16string Reason;     // why not, for the user; empty when Started
    bool PackageKept = false;  // a complete package is still on disk for a retry
};

class TMainServices {
public:
    virtual ~TMainServices() = default;

    // The translation of an English source text; empty when the dictionary
    // has the text without this language's translation.
    virtual std::u16string Translation(std::string_view english) = 0;

    // The package's transfer: one download component, whose progress and end
    // reach TMainController::TransferProgress and TransferComplete.
    virtual void StartTransfer(const std::string& url, const std::string& file) = 0;
    virtual void CancelTransfer() = 0;
    // The requests the component still runs (a cancelled one counts until
    // its end has been reported).
    virtual std::size_t TransferRequests() const = 0;
    // Throws std::runtime_error with a translated message (UTF-8) when the
    // address or the offered file name must not be used.
    virtual void CheckPackageURL(const std::string& url) = 0;

    // Signed packages: whether this build checks them, the signature's fetch
    // (`done` runs later, from the loop, unless cancelled), and the checks.
    virtual bool VerificationWanted() = 0;
    virtual void FetchSignature(const std::string& url,
                                std::function<void(const TSignatureFetchResult&)> done) = 0;
    virtual void CancelSignatureFetch() = 0;
    virtual bool SignatureFetchRunning() const = 0;
    virtual TVerification VerifyPackage(const std::string& tempDir, const std::string& signature,
                                        bool atInstall) = 0;
    virtual TVerification SignatureUnavailable(const std::string& url, bool atInstall) = 0;
    virtual std::optional<std::string> KeptSignature(const std::string& tempDir) = 0;
    virtual void RemovePackageFiles(const std::string& tempDir, bool includingFinal) = 0;

    virtual TInstallResult RunInstaller(const std::string& tempDir) = 0;
    // Tells the update server the package is complete (bounded, blocking).
    virtual void NotifyDownloadComplete() = 0;
    // Saves the update state now, so that a killed process loses nothing.
    virtual void SaveState() = 0;
    virtual void OpenURL(const std::string& address) = 0;
};

}  // namespace vantrel
