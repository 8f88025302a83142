// The main window's package transfer: starting, pausing and resuming it,
// what its end means, the signature check before the package counts as
// downloaded and again before the installer gets it, and the hand-over.
//
// The download component reports from the front end's loop, and a message
// box or a pause runs that loop too, so any of these may be re-entered by a
// click or by the transfer's own events: each step states what it expects
// and the flags carry what is still to come.
#include <algorithm>
#include <iostream>
#include <limits>
#include <stdexcept>

#include "core/SourceTexts.h"
#include "core/iProcs.h"
#include "window/controller/MainController.h"
#include "window/controller/PackageNames.h"

namespace vantrel {

namespace {

std::int32_t ClampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void TMainController::StartDownload() {
    const bool deleteOld = UpdateState.Status == StatusNone;
    UpdateState.Status = StatusDownloading;
    UpdateState.DownloadingVersion = AvailableProduct.Version;
    FView.HideCommandLabel();
    ShowProgress({true, 0, FProgress.Max, false});
    FbtnCommandClick = TMainAction::Pause;
    FView.SetCommand(Translate(texts::kPause), FbtnCommandClick);
    // FTransferIdle is still set here, so the caption reads "Paused" until
    // the first progress event of the new transfer.
    UpdateCaption();
    FView.ClosePopup();
    SetTrayHint(texts::kHintDownloading);
    // Stored before the transfer starts: a process killed during it still
    // leaves "downloading" behind, and the next start resumes.
    FServices.SaveState();
    if (!FTransferIdle) {
        // The cancelled transfer has not reported its end yet, and two
        // transfers must never write one file: StartPendingResume starts
        // this one once that end has come.
        FResumePending = true;
        return;
    }
    if (!BeginTransfer(deleteOld))
        PauseDownload();
}

void TMainController::PauseDownload() {
    FResumePending = false;
    // A paused download is still a download: the next start resumes it.
    UpdateState.Status = StatusDownloading;
    // Not idle although paused: the cancelled transfer still has to report
    // its end. Until it has, a close waits and a resume is held back; the
    // caption below still reads "Downloading" for that while. Where no
    // transfer runs (it never started, or it ended before its package failed
    // the check) no end will come, and waiting for one would refuse every
    // later close.
    if (FServices.TransferRequests() != 0)
        FTransferIdle = false;
    FServices.CancelTransfer();
    FbtnCommandClick = TMainAction::Download;
    FView.SetCommand(Translate(texts::kResume), FbtnCommandClick);
    ShowProgress({FProgress.Visible, FProgress.Position, FProgress.Max, true});
    UpdateCaption();
    FServices.SaveState();
    // Re-entrant on purpose: a click or transfer event already queued is
    // handled here, before the paused hint below is set.
    FView.PumpEvents();
    SetTrayHint(texts::kHintPaused);
}

bool TMainController::BeginTransfer(bool DeleteOld) {
    const std::string url = PackageURL();
    const std::string file = TemporaryPackageFile(FTempDir);
    try {
        // Refused before anything on disk is touched.
        if (!FTempDirError.empty())
            throw std::runtime_error(FTempDirError);
        FServices.CheckPackageURL(url);
        if (DeleteOld)
            FServices.RemovePackageFiles(FTempDir, false);
        FTransferIdle = false;
        FCloseRequested = false;
        FServices.StartTransfer(url, file);
        return true;
    } catch (const std::exception& e) {
        FView.ShowMessage(Utf8Text(e.what()));
        return false;
    }
}

// A transfer that could not write its file pauses, and says why: otherwise
// a full disk or a read-only cache would only ever show "Paused". The box
// opens after the component's event has returned.
void TMainController::ShowTransferFailure(cache::TWriteFailure failure) {
    std::string_view reason = texts::kReasonWriteFailed;
    switch (failure) {
        case cache::TWriteFailure::DiskFull:
            reason = texts::kReasonDiskFull;
            break;
        case cache::TWriteFailure::ReadOnly:
            reason = texts::kReasonFolderReadOnly;
            break;
        case cache::TWriteFailure::Other:
            break;
    }
    const std::u16string message =
        FormatMessage(texts::kPackageNotSaved, {LocalText(FTempDir), FormatMessage(reason, {})});
    FView.Post([this, message] { FView.ShowMessage(message); });
}

void TMainController::TransferProgress(std::uint32_t progress, std::uint32_t progressMax,
                                       std::uint32_t statusCode) {
    if (statusCode != kBindStatusDownloadingData)
        return;
    ShowProgress(
        {FProgress.Visible, ClampToInt32(progress), ClampToInt32(progressMax), FProgress.Paused});
    UpdateCaption();
    SetTrayHint(texts::kHintDownloading);
}

void TMainController::TransferComplete(const TTransferEnd& end) {
    // A resume asked for while this transfer was being cancelled outlives
    // the pause that its end may show.
    const bool resume = FResumePending;
    switch (CompletionActionFor(end.Result, end.ResponseCode)) {
        case TCompletionAction::Downloaded:
            if (end.StreamSize && end.Result == platform::S_OK)
                ShowProgress({FProgress.Visible, ClampToInt32(*end.StreamSize), FProgress.Max,
                              FProgress.Paused});
            if (FServices.VerificationWanted()) {
                FVerifyPending = true;
                FView.Post([this] { VerifyTransferredPackage(); });
            } else {
                // An end reported twice (a 416 to a complete file) enters
                // the state twice: the popup rises again and the server is
                // told twice, as each report is handled by itself.
                SetDownloadedState();
            }
            break;
        case TCompletionAction::Nothing:
            // A transfer cancelled by a pause: the pause is shown already.
            break;
        case TCompletionAction::Pause:
            PauseDownload();
            // So does one clicked while the pause handled queued events.
            FResumePending = resume || FResumePending;
            if (end.Result == platform::STG_E_CANTSAVE && end.WriteFailure)
                ShowTransferFailure(*end.WriteFailure);
            break;
    }
    FTransferIdle = true;
    UpdateCaption();
    FServices.SaveState();
    if (FResumePending)
        FView.Post([this] { StartPendingResume(); });
    if (FCloseRequested)
        FView.CloseWindow();
}

// Runs once the completion that set FTransferIdle has returned, by which time
// the component has freed the request. A request still listed will report
// its own end and bring us back here.
void TMainController::StartPendingResume() {
    if (!FResumePending || !FTransferIdle || FCloseRequested || FServices.TransferRequests() != 0)
        return;
    FResumePending = false;
    if (UpdateState.Status == StatusDownloading)
        StartDownload();
}

// ---- Signed packages -------------------------------------------------------

// Runs outside the component's events, once per transfer: a transfer whose
// end is reported twice (the 416 path) is still checked once, and the
// message boxes below never open inside the component's callback.
void TMainController::VerifyTransferredPackage() {
    if (!FVerifyPending || FServices.TransferRequests() != 0 || FServices.SignatureFetchRunning())
        return;
    FetchSignatureThen(
        [this](const TVerification& verification) {
            switch (verification.Outcome) {
                case TVerifyOutcome::Verified:
                    SetDownloadedState();
                    break;
                case TVerifyOutcome::Unavailable:
                    // The file stays: the next resume finds it complete and
                    // only fetches the signature again.
                    PauseDownload();
                    FView.ShowMessage(verification.Reason);
                    break;
                case TVerifyOutcome::Rejected:
                    RejectPackage(verification.Reason);
                    break;
            }
        },
        false);
}

// Fetches the package's signature, checks the package against it and hands
// the outcome on. Until then FVerifyPending holds.
void TMainController::FetchSignatureThen(std::function<void(const TVerification&)> then,
                                         bool atInstall) {
    FVerifyPending = true;
    const std::string url = SignatureURL();
    FServices.FetchSignature(
        url, [this, url, then = std::move(then), atInstall](const TSignatureFetchResult& fetched) {
            FVerifyPending = false;
            if (!fetched.Text) {
                std::cerr << "vantrel: the signature " << url
                          << " could not be had: " << fetched.Failure << "\n";
                then(FServices.SignatureUnavailable(url, atInstall));
                return;
            }
            then(FServices.VerifyPackage(FTempDir, *fetched.Text, atInstall));
        });
}

// True when the package may go to the installer now. False when it may not,
// or not yet: without a signature kept from its transfer, the signature is
// fetched first and the installation goes on by itself once it verifies.
bool TMainController::VerifyBeforeInstalling() {
    if (!FServices.VerificationWanted()) {
        std::cerr << "vantrel: warning: this build has no package-signing key, so the package "
                  << FinalPackageFile(FTempDir) << " goes to the installer unverified\n";
        return true;
    }
    if (const std::optional<std::string> kept = FServices.KeptSignature(FTempDir)) {
        const TVerification verification = FServices.VerifyPackage(FTempDir, *kept, true);
        if (verification.Outcome == TVerifyOutcome::Verified)
            return true;
        RefuseInstallation(verification);
        return false;
    }
    // Still downloaded while its signature is on its way.
    UpdateState.Status = StatusDownloaded;
    FetchSignatureThen(
        [this](const TVerification& verification) {
            if (verification.Outcome == TVerifyOutcome::Verified)
                InstallClick();  // now with the signature kept
            else
                RefuseInstallation(verification);
        },
        true);
    return false;
}

// The package stays downloaded when only its signature is missing, and goes
// when it does not verify.
void TMainController::RefuseInstallation(const TVerification& verification) {
    if (verification.Outcome == TVerifyOutcome::Rejected) {
        RejectPackage(verification.Reason);
        return;
    }
    UpdateState.Status = StatusDownloaded;
    FServices.SaveState();
    FView.ShowMessage(verification.Reason);
}

// A resume onto an untrusted prefix can never succeed: the package goes,
// and the new version is offered again.
void TMainController::RejectPackage(const std::u16string& reason) {
    FServices.RemovePackageFiles(FTempDir, true);
    UpdateState.Status = StatusNone;
    UpdateState.DownloadingVersion = 0;
    ShowOfferAgain();
    UpdateCaption();
    FServices.SaveState();
    FView.ShowMessage(reason);
}

// ---- The hand-over -----------------------------------------------------------

bool TMainController::RunInstaller() {
    if (!FTempDirError.empty()) {
        // What lies in a directory others can write to is not opened.
        UpdateState.Status = StatusDownloaded;
        FView.ShowMessage(Utf8Text(FTempDirError));
        return false;
    }
    if (!VerifyBeforeInstalling())
        return false;
    const TInstallResult result = FServices.RunInstaller(FTempDir);
    if (result.Started) {
        // The installer has the package; its record and signature are done with.
        FServices.RemovePackageFiles(FTempDir, false);
        return true;
    }
    // The window stays open so that the user can try again: from the package
    // that is still on disk, or, when there is none, with a new download.
    FView.ShowMessage(result.Reason);
    if (result.PackageKept) {
        UpdateState.Status = StatusDownloaded;
        UpdateState.DownloadingVersion = 0;
    } else {
        UpdateState.Status = StatusNone;
        ShowOfferAgain();
    }
    FServices.SaveState();
    return false;
}

}  // namespace vantrel
