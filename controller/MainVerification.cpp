// The main window's side of signed packages: a finished transfer becomes a
// download only once its signature verifies, and the installer gets only a
// package that verifies again just before it runs. The signature is fetched
// on the event loop, so the window answers every click while it comes.
#include <iostream>

#include "controller/Main.h"
#include "controller/MainParts.h"
#include "controller/PackageTransfer.h"
#include "controller/PackageVerification.h"
#include "controller/SignatureFetch.h"
#include "controls/LabelProgressBar.h"
#include "core/SourceTexts.h"
#include "core/UpdateState.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"
#include "download/IEDownload.h"

namespace vantrel {

// Runs outside the component's events, once per transfer: a transfer whose
// end is reported twice (the 416 path) is still checked once, and the
// message boxes below never open inside the component's callback.
void TfVantrelMain::VerifyTransferredPackage() {
    if (!FVerifyPending || IEDownload->RequestCount() != 0 || SignatureFetch->Running())
        return;
    FetchSignatureThen(
        [this](const TVerification& verification) {
            switch (verification.Outcome) {
                case TVerifyOutcome::Verified:
                    SetDownloadedState();
                    break;
                case TVerifyOutcome::Unavailable:
                    // The file stays: the next resume finds it complete and only
                    // fetches the signature again.
                    PauseDownload();
                    ShowErrorMessage(verification.Reason);
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
void TfVantrelMain::FetchSignatureThen(const std::function<void(const TVerification&)>& then,
                                       bool atInstall) {
    FVerifyPending = true;
    const std::string url = SignatureURL();
    SignatureFetch->Start(url, [this, url, then, atInstall](const TSignatureFetchResult& fetched) {
        FVerifyPending = false;
        if (!fetched.Text) {
            std::cerr << "vantrel: the signature " << url
                      << " could not be had: " << fetched.Failure << "\n";
            then(SignatureUnavailable(url, atInstall, Repository));
            return;
        }
        then(VerifyDownloadedPackage(FTempDir, *fetched.Text, atInstall, Repository));
    });
}

// True when the package may go to the installer now. False when it may not,
// or not yet: without a signature kept from its transfer, the signature is
// fetched first and the installation goes on by itself once it verifies.
bool TfVantrelMain::VerifyBeforeInstalling() {
    if (!PackageVerificationWanted()) {
        std::cerr << "vantrel: warning: this build has no package-signing key, so the package "
                  << FinalPackageFile(FTempDir) << " goes to the installer unverified\n";
        return true;
    }
    if (const std::optional<std::string> kept = KeptSignature(FTempDir)) {
        const TVerification verification =
            VerifyDownloadedPackage(FTempDir, *kept, true, Repository);
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
                InstallClick(nullptr);  // now with the signature kept
            else
                RefuseInstallation(verification);
        },
        true);
    return false;
}

// The package stays downloaded when only its signature is missing, and goes
// when it does not verify.
void TfVantrelMain::RefuseInstallation(const TVerification& verification) {
    if (verification.Outcome == TVerifyOutcome::Rejected) {
        RejectPackage(verification.Reason);
        return;
    }
    UpdateState.Status = StatusDownloaded;
    SaveUpdateState(false);
    ShowErrorMessage(verification.Reason);
}

// A resume onto an untrusted prefix can never succeed: the package goes,
// and the new version is offered again.
void TfVantrelMain::RejectPackage(const QString& reason) {
    RemovePackageFiles(FTempDir, true);
    UpdateState.Status = StatusNone;
    UpdateState.DownloadingVersion = 0;
    ProgressBar->hide();
    lbNewVersion->setText(Expanded(texts::kNewVersion));
    ShowOfferedState();
    UpdateCaption();
    SaveUpdateState(false);
    ShowErrorMessage(reason);
}

}  // namespace vantrel
