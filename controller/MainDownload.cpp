#include "controller/Main.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "controller/MainParts.h"
#include "controller/PackageTransfer.h"
#include "controller/PackageVerification.h"
#include "controller/ScrollBox.h"
#include "controls/LabelProgressBar.h"
#include "controls/SpecialFrame.h"
#include "core/SourceTexts.h"
#include "core/UpdateState.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"
#include "dialogs/ClickLabel.h"
#include "download/BSCB.h"
#include "download/CacheFiles.h"
#include "download/IEDownload.h"
#include "download/Streams.h"

namespace vantrel {

namespace {

using main_parts::Std;
using main_parts::Text;

std::int32_t ClampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

// A newer version than the one being fetched makes the partial file worthless.
void TfVantrelMain::DiscardStaleDownload() {
    if (UpdateState.Status != StatusDownloading || UpdateState.DownloadingVersion == 0 ||
        AvailableProduct.Version <= UpdateState.DownloadingVersion)
        return;
    UpdateState.Status = StatusNone;
    if (!FTempDirError.empty())
        return;
    RemovePackageFiles(FTempDir);
}

void TfVantrelMain::ShowOfferedState() {
    SetTrayHint(texts::kHintOffered);
    ShowTrayPopup(PopupNewVersionAvailable, &TfVantrelMain::DownloadClick);
    lbCommandLabel->setText(Expanded(texts::kCommandOffered));
    lbCommandLabel->show();
    FlbCommandLabelClick = &TfVantrelMain::DownloadClick;
    btnCommand->setText(Translate(texts::kStartDownload));
    FbtnCommandClick = &TfVantrelMain::DownloadClick;
    btnCommand->show();
}

void TfVantrelMain::ShowUpToDateState() {
    lbNewVersion->setText(Expanded(texts::kUpToDate));
    SetTrayHint(texts::kHintUpToDate);
    FbtnHideClick = &TfVantrelMain::CloseClick;
    btnHide->setText(Translate(texts::kClose));
    // Without a command the header needs less room: the panel takes it.
    SpecialFrame1->resize(SpecialFrame1->width(), 97);
    // The panel's new top, 98, is counted in the window like the frame's: in
    // the frame, whose top is now 96, that is 2, so the panel stays inside it.
    SpecialFrame2->setGeometry(SpecialFrame2->x(), 96, SpecialFrame2->width(), 217);
    ScrollBox->setGeometry(ScrollBox->x(), 98 - SpecialFrame2->y(), ScrollBox->width(), 213);
}

void TfVantrelMain::StartDownload() {
    ProgressBar->SetPosition(0);
    const bool deleteOld = UpdateState.Status == StatusNone;
    UpdateState.Status = StatusDownloading;
    UpdateState.DownloadingVersion = AvailableProduct.Version;
    lbCommandLabel->hide();
    ProgressBar->show();
    btnCommand->show();
    btnCommand->setText(Translate(texts::kPause));
    FbtnCommandClick = &TfVantrelMain::PauseClick;
    ProgressBar->SetPercentType(TLabelProgressBar::showPercent);
    // FTransferIdle is still set here, so the caption reads "Paused" until
    // the first progress event of the new transfer.
    UpdateCaption();
    CloseTrayPopup();
    SetTrayHint(texts::kHintDownloading);
    // Stored before the transfer starts: a process killed during it still
    // leaves "downloading" behind, and the next start resumes.
    SaveUpdateState(false);
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

void TfVantrelMain::PauseDownload() {
    FResumePending = false;
    // A paused download is still a download: the next start resumes it.
    UpdateState.Status = StatusDownloading;
    // Not idle although paused: the cancelled transfer still has to report
    // its end. Until it has, a close waits and a resume is held back; the
    // caption below still reads "Downloading" for that while. Where no
    // transfer runs (it never started, or it ended before its package failed
    // the check) no end will come, and waiting for one would refuse every
    // later close.
    if (IEDownload->RequestCount() != 0)
        FTransferIdle = false;
    IEDownload->Cancel();
    btnCommand->setText(Translate(texts::kResume));
    FbtnCommandClick = &TfVantrelMain::DownloadClick;
    btnCommand->show();
    ProgressBar->SetPercentType(TLabelProgressBar::showStatic);
    UpdateCaption();
    SaveUpdateState(false);
    // Re-entrant on purpose: a click or transfer event already queued is
    // handled here, before the paused hint below is set.
    QCoreApplication::processEvents();
    SetTrayHint(texts::kHintPaused);
}

void TfVantrelMain::SetDownloadedState() {
    FResumePending = false;
    UpdateState.Status = StatusDownloaded;
    UpdateState.DownloadingVersion = 0;
    FbtnCommandClick = &TfVantrelMain::InstallClick;
    btnCommand->setText(Translate(texts::kStartInstallation));
    btnCommand->show();
    ProgressBar->hide();
    lbNewVersion->setText(Expanded(texts::kDownloadedSuccessfully));
    lbCommandLabel->setText(Expanded(texts::kCommandDownloaded));
    lbCommandLabel->show();
    FlbCommandLabelClick = &TfVantrelMain::InstallClick;
    UpdateCaption();
    ShowTrayPopup(PopupNewVersionDownloaded, &TfVantrelMain::InstallClick);
    SetTrayHint(texts::kHintDownloaded);
    // Saved before the notice, which may block for a while.
    SaveUpdateState(false);
    NotifyDownloadComplete();
}

void TfVantrelMain::UpdateCaption() {
    const QString title = Text(texts::kAppTitle);
    switch (UpdateState.Status) {
        case StatusNone:
        case StatusDownloaded:
            ShowCaption(title);
            break;
        case StatusDownloading:
            if (FTransferIdle) {
                ShowCaption(title + QStringLiteral(" - ") +
                            Translator->TranslateText(Std(texts::kPaused)));
            } else {
                ShowCaption(title + QStringLiteral(" - ") +
                            Translator->TranslateText(Std(texts::kDownloading)) + u' ' +
                            DownloadProgressText(ProgressBar->Position(), ProgressBar->Max()));
            }
            break;
        default:
            break;
    }
}

void TfVantrelMain::DownloadClick(QObject* /*Sender*/) {
    StartDownload();
}

void TfVantrelMain::PauseClick(QObject* /*Sender*/) {
    // A click that arrives after the transfer ended, while its package waits
    // for the signature check, has nothing left to pause.
    if (FVerifyPending)
        return;
    PauseDownload();
}

void TfVantrelMain::InstallClick(QObject* /*Sender*/) {
    CloseTrayPopup();
    // The package's signature is on its way; the installation follows by
    // itself once it verifies.
    if (FVerifyPending)
        return;
    // Cleared before the hand-over, after which the program ends: the next
    // start must not offer this package again. A failed hand-over puts
    // back the state that fits what is left on disk.
    UpdateState.Status = StatusNone;
    if (!RunInstaller())
        return;
    close();
}

// ---- The package transfer ------------------------------------------------

bool TfVantrelMain::BeginTransfer(bool DeleteOld) {
    const std::string url = PackageURL();
    const std::string file = TemporaryPackageFile(FTempDir);
    try {
        // Refused before anything on disk is touched.
        if (!FTempDirError.empty())
            throw std::runtime_error(FTempDirError);
        CheckPackageURL(url, Repository);
        if (DeleteOld)
            RemovePackageFiles(FTempDir);
        FTransferIdle = false;
        FCloseRequested = false;
        IEDownload->Download(QString::fromLocal8Bit(url), QString::fromLocal8Bit(file));
        return true;
    } catch (const std::exception& e) {
        ShowErrorMessage(QString::fromUtf8(e.what()));
        return false;
    }
}

// A transfer that could not write its file pauses, and says why: otherwise
// a full disk or a read-only cache would only ever show "Paused". The box
// opens after the component's event has returned.
void TfVantrelMain::ShowTransferFailure(const TBSCB* Sender) {
    std::string_view reason = texts::kReasonWriteFailed;
    switch (cache::ClassifyWriteFailure(Sender->OutputError)) {
        case cache::TWriteFailure::DiskFull:
            reason = texts::kReasonDiskFull;
            break;
        case cache::TWriteFailure::ReadOnly:
            reason = texts::kReasonFolderReadOnly;
            break;
        case cache::TWriteFailure::Other:
            break;
    }
    const QString message =
        FormatMessage(Repository, texts::kPackageNotSaved,
                      {QString::fromLocal8Bit(FTempDir), FormatMessage(Repository, reason, {})});
    QTimer::singleShot(0, this, [this, message] { ShowErrorMessage(message); });
}

// The message may quote what the server sent: never read as markup.
void TfVantrelMain::ShowErrorMessage(const QString& message) {
    QMessageBox box(QMessageBox::Critical, Text(texts::kAppTitle), message, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ErrorMessageBox"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TfVantrelMain::IEDownloadProgress(TBSCB* /*Sender*/, std::uint32_t ulProgress,
                                       std::uint32_t ulProgressMax, std::uint32_t ulStatusCode) {
    if (ulStatusCode != platform::BINDSTATUS_DOWNLOADINGDATA)
        return;
    ProgressBar->SetMax(ClampToInt32(ulProgressMax));
    ProgressBar->SetPosition(ClampToInt32(ulProgress));
    UpdateCaption();
    SetTrayHint(texts::kHintDownloading);
}

void TfVantrelMain::IEDownloadComplete(TBSCB* Sender, TStream* Stream, platform::HRESULT Result) {
    // A resume asked for while this transfer was being cancelled outlives
    // the pause that its end may show.
    const bool resume = FResumePending;
    const std::uint32_t responseCode = Sender != nullptr ? Sender->ResponseCode : 0;
    switch (CompletionActionFor(Result, responseCode)) {
        case TCompletionAction::Downloaded:
            if (Stream != nullptr && Result == platform::S_OK)
                ProgressBar->SetPosition(ClampToInt32(Stream->Size()));
            if (PackageVerificationWanted()) {
                FVerifyPending = true;
                QTimer::singleShot(0, this, &TfVantrelMain::VerifyTransferredPackage);
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
            if (Result == platform::STG_E_CANTSAVE && Sender != nullptr)
                ShowTransferFailure(Sender);
            break;
    }
    FTransferIdle = true;
    UpdateCaption();
    SaveUpdateState(false);
    if (FResumePending)
        QTimer::singleShot(0, this, &TfVantrelMain::StartPendingResume);
    if (FCloseRequested)
        close();
}

// Runs once the completion that set FTransferIdle has returned, by which time
// the component has freed the request. A request still listed will report
// its own end and bring us back here.
void TfVantrelMain::StartPendingResume() {
    if (!FResumePending || !FTransferIdle || FCloseRequested || IEDownload->RequestCount() != 0)
        return;
    FResumePending = false;
    if (UpdateState.Status == StatusDownloading)
        StartDownload();
}

void TfVantrelMain::NotifyDownloadComplete() {
    vantrel::NotifyDownloadComplete();
}

bool TfVantrelMain::RunInstaller() {
    if (!FTempDirError.empty()) {
        // What lies in a directory others can write to is not opened.
        UpdateState.Status = StatusDownloaded;
        ShowErrorMessage(QString::fromUtf8(FTempDirError));
        return false;
    }
    if (!VerifyBeforeInstalling())
        return false;
    const TInstallResult result = vantrel::RunInstaller(FTempDir, Repository);
    if (result.Started) {
        // The installer has the package; its record and signature are done with.
        RemovePackageFiles(FTempDir);
        return true;
    }
    // The window stays open so that the user can try again: from the package
    // that is still on disk, or, when there is none, with a new download.
    ShowErrorMessage(result.Reason);
    if (result.PackageKept) {
        UpdateState.Status = StatusDownloaded;
        UpdateState.DownloadingVersion = 0;
    } else {
        UpdateState.Status = StatusNone;
        ProgressBar->hide();
        lbNewVersion->setText(Expanded(texts::kNewVersion));
        ShowOfferedState();
    }
    SaveUpdateState(false);
    return false;
}

// ---- The information panel and the popups ----------------------------------
}  // namespace vantrel
