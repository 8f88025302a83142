// The main window's side of signed packages: a finished transfer becomes a
// download only once its signature verifies, and the installer gets only a
// package that verifies again just before it runs.
#include "controller/Main.h"

#include "controller/MainParts.h"
#include "controller/PackageVerification.h"
#include "controls/LabelProgressBar.h"
#include "core/SourceTexts.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"
#include "download/IEDownload.h"

namespace vantrel {

// Runs outside the component's events, once per transfer: a transfer whose
// end is reported twice (the 416 path) is still checked once, and the
// message boxes below never open inside the component's callback.
void TfVantrelMain::VerifyTransferredPackage() {
    if (!FVerifyPending || IEDownload->RequestCount() != 0)
        return;
    FVerifyPending = false;
    const TVerification verification = VerifyDownloadedPackage(FTempDir, true, Repository);
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
}

// False when the package must not be handed over; the window then shows why
// and is in the state that fits what is left on disk.
bool TfVantrelMain::VerifyBeforeInstalling() {
    if (!PackageVerificationWanted())
        return true;
    const TVerification verification = VerifyDownloadedPackage(FTempDir, false, Repository);
    switch (verification.Outcome) {
        case TVerifyOutcome::Verified:
            return true;
        case TVerifyOutcome::Unavailable:
            UpdateState.Status = StatusDownloaded;
            SaveUpdateState(false);
            ShowErrorMessage(verification.Reason);
            return false;
        case TVerifyOutcome::Rejected:
            RejectPackage(verification.Reason);
            return false;
    }
    return false;
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
