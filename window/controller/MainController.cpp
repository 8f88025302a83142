// The main window's states: what each shows and what each click runs.
#include "window/controller/MainController.h"

#include <algorithm>

#include "core/ProductVersion.h"
#include "core/SourceTexts.h"
#include "core/UpdateModes.h"
#include "core/UpdateState.h"
#include "core/iProcs.h"
#include "window/controller/PackageNames.h"

namespace vantrel {

std::u16string CutTrayHint(std::u16string hint) {
    if (hint.size() <= kTrayHintMax)
        return hint;
    std::size_t length = kTrayHintMax;
    const char16_t last = hint[length - 1];
    if (last >= 0xD800 && last <= 0xDBFF)
        --length;
    hint.resize(length);
    return hint;
}

std::u16string HintAsCaption(std::u16string_view hint) {
    std::u16string caption;
    std::size_t at = 0;
    while (at < hint.size()) {
        const std::size_t end = hint.find_first_of(u"\r\n", at);
        const std::u16string_view line = hint.substr(
            at, end == std::u16string_view::npos ? std::u16string_view::npos : end - at);
        if (!line.empty()) {
            if (!caption.empty())
                caption += u" - ";
            caption += line;
        }
        if (end == std::u16string_view::npos)
            break;
        at = end + 1;
    }
    return caption;
}

TMainController::TMainController(TMainView& view, TMainServices& services)
    : FView(view), FServices(services), FTrayHint(Utf8Text(texts::kAppTitle)) {}

void TMainController::Start(std::string tempDir, std::string tempDirError) {
    FTempDir = std::move(tempDir);
    FTempDirError = std::move(tempDirError);
    if (FTempDir.empty() || FTempDir.back() != '/')
        FTempDir += '/';
    FTransferIdle = true;
    FCloseRequested = false;
    ShowUpdateInfo();
}

void TMainController::Run(TMainAction action) {
    switch (action) {
        case TMainAction::None:
            break;
        case TMainAction::Download:
            DownloadClick();
            break;
        case TMainAction::Pause:
            PauseClick();
            break;
        case TMainAction::Install:
            InstallClick();
            break;
        case TMainAction::Close:
            CloseClick();
            break;
        case TMainAction::Hide:
            btnHideClick();
            break;
    }
}

std::u16string TMainController::Translate(std::string_view english) {
    return FServices.Translation(english);
}

std::u16string TMainController::Expanded(std::string_view templ) {
    return ExpandTemplate(Translate(templ), TemplateValues());
}

std::u16string TMainController::FormatMessage(std::string_view text,
                                              const std::vector<std::u16string>& values) {
    return MessageText(Translate(text), text, values);
}

TTemplateValues TMainController::TemplateValues() const {
    TTemplateValues values;
    values.ProductTitle = ProjectInfo.ProductTitle;
    values.NewVersionText = FNewVersionText;
    values.InstalledVersionText = FInstalledVersionText;
    values.Position = FProgress.Position;
    values.Max = FProgress.Max;
    return values;
}

// ---- The states ------------------------------------------------------------

void TMainController::ShowUpdateInfo() {
    FInstalledVersionText = Utf8Text(VersionToText(InstalledProduct.Version));
    const std::uint8_t mode = UpdateState.Mode;
    FView.SelectUpdateMode(UpdateModeFromNumber(mode) ? mode : -1);
    FNewVersionText = Utf8Text(VersionToText(AvailableProduct.Version));
    FView.ShowProduct(LocalText(ProjectInfo.ProductTitle), Expanded(texts::kCurrentVersion));
    FView.ShowInformation(InformationElements(
        TInformationTexts::From(ProjectInfo), NewVersionOffered(),
        [this](std::string_view english) { return Translate(english); },
        [this](std::string_view templ) { return Expanded(templ); }));
    if (!AvailableProduct.Found)
        return;
    if (!NewVersionOffered()) {
        ShowUpToDateState();
        return;
    }
    DiscardStaleDownload();
    FView.SetNewVersionText(Expanded(texts::kNewVersion));
    switch (UpdateState.Status) {
        case StatusNone:
            ShowOfferedState();
            break;
        case StatusDownloading:
            // An interrupted download resumes on every start, without a word.
            StartDownload();
            break;
        case StatusDownloaded:
            SetDownloadedState();
            break;
        default:
            // A status this program never writes: nothing is offered, and
            // the value is saved back as found.
            break;
    }
}

// A newer version than the one being fetched makes the partial file worthless.
void TMainController::DiscardStaleDownload() {
    if (UpdateState.Status != StatusDownloading || UpdateState.DownloadingVersion == 0 ||
        AvailableProduct.Version <= UpdateState.DownloadingVersion)
        return;
    UpdateState.Status = StatusNone;
    if (!FTempDirError.empty())
        return;
    FServices.RemovePackageFiles(FTempDir, false);
}

void TMainController::ShowOfferedState() {
    SetTrayHint(texts::kHintOffered);
    ShowTrayPopup(PopupNewVersionAvailable, TMainAction::Download);
    FlbCommandLabelClick = TMainAction::Download;
    FView.SetCommandLabel(Expanded(texts::kCommandOffered), FlbCommandLabelClick);
    FbtnCommandClick = TMainAction::Download;
    FView.SetCommand(Translate(texts::kStartDownload), FbtnCommandClick);
}

void TMainController::ShowUpToDateState() {
    FView.SetNewVersionText(Expanded(texts::kUpToDate));
    SetTrayHint(texts::kHintUpToDate);
    FbtnHideClick = TMainAction::Close;
    FView.SetHideButton(Translate(texts::kClose), FbtnHideClick);
    FView.UseCompactLayout();
}

void TMainController::SetDownloadedState() {
    FResumePending = false;
    UpdateState.Status = StatusDownloaded;
    UpdateState.DownloadingVersion = 0;
    FbtnCommandClick = TMainAction::Install;
    FView.SetCommand(Translate(texts::kStartInstallation), FbtnCommandClick);
    ShowProgress({false, FProgress.Position, FProgress.Max, FProgress.Paused});
    FView.SetNewVersionText(Expanded(texts::kDownloadedSuccessfully));
    FlbCommandLabelClick = TMainAction::Install;
    FView.SetCommandLabel(Expanded(texts::kCommandDownloaded), FlbCommandLabelClick);
    UpdateCaption();
    ShowTrayPopup(PopupNewVersionDownloaded, TMainAction::Install);
    SetTrayHint(texts::kHintDownloaded);
    // Saved before the notice, which may block for a while.
    FServices.SaveState();
    FServices.NotifyDownloadComplete();
}

// The offer again, after the package went or could not be had.
void TMainController::ShowOfferAgain() {
    ShowProgress({false, FProgress.Position, FProgress.Max, FProgress.Paused});
    FView.SetNewVersionText(Expanded(texts::kNewVersion));
    ShowOfferedState();
}

void TMainController::UpdateCaption() {
    const std::u16string title = Utf8Text(texts::kAppTitle);
    switch (UpdateState.Status) {
        case StatusNone:
        case StatusDownloaded:
            ShowCaption(title);
            break;
        case StatusDownloading:
            if (FTransferIdle) {
                ShowCaption(title + u" - " + Translate(texts::kPaused));
            } else {
                ShowCaption(title + u" - " + Translate(texts::kDownloading) + u' ' +
                            DownloadProgressText(FProgress.Position, FProgress.Max));
            }
            break;
        default:
            break;
    }
}

// ---- Clicks ----------------------------------------------------------------

void TMainController::DownloadClick() {
    StartDownload();
}

void TMainController::PauseClick() {
    // A click that arrives after the transfer ended, while its package waits
    // for the signature check, has nothing left to pause.
    if (FVerifyPending)
        return;
    PauseDownload();
}

void TMainController::InstallClick() {
    FView.ClosePopup();
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
    FView.CloseWindow();
}

void TMainController::CloseClick() {
    FView.CloseWindow();
}

void TMainController::btnHideClick() {
    HideMainWindow();
}

// The list shows the modes' table, so a position is a mode's number; -1
// (nothing chosen) names none.
void TMainController::UpdateModeChosen(int index) {
    if (const std::optional<TUpdateMode> mode = UpdateModeFromNumber(index))
        UpdateState.Mode = *mode;
}

// ---- The window, the tray and the popup ------------------------------------

void TMainController::ShowMainWindow() {
    FView.ShowWindow();
}

// Without a tray a hidden window could not be reached again until the next
// start: it goes to the taskbar instead.
void TMainController::HideMainWindow() {
    if (FView.TrayAvailable()) {
        FView.HideWindow();
        return;
    }
    ShowTrayHintInCaption();
    FView.MinimizeWindow();
}

// A popup closed by the user (its cross, its link) leaves nothing on screen
// that leads back to the offer when there is no tray, so the window waits in
// the taskbar. Checked once the close has run its course: a popup replaced by
// the next one, or closed by a double-click that shows the window, needs
// nothing.
void TMainController::TrayPopupClosed() {
    FView.Post([this] {
        if (FWindowClosed || FView.PopupShown() || FView.WindowVisible() || FView.TrayAvailable())
            return;
        ShowTrayHintInCaption();
        FView.MinimizeWindow();
    });
}

// A close during a transfer is refused: the cancel makes the transfer report
// its end, and that end (FCloseRequested) closes the window again, now idle.
// Cancelling with nothing running is harmless.
bool TMainController::FormCloseQuery() {
    FCloseRequested = true;
    FServices.CancelTransfer();
    // A signature on its way is simply dropped: the package stays on disk,
    // and the next start checks it again.
    FServices.CancelSignatureFetch();
    return FTransferIdle;
}

void TMainController::ShowTrayPopup(const TPopupInfoRec& info, TMainAction goAction) {
    FView.ShowPopup(info, goAction);
}

void TMainController::SetTrayHint(std::string_view templ) {
    FTrayHint = CutTrayHint(Expanded(templ));
    FView.SetTrayHint(FTrayHint);
    if (!FView.TrayAvailable())
        ShowTrayHintInCaption();
}

void TMainController::ShowCaption(const std::u16string& caption) {
    if (FView.TrayAvailable())
        FView.SetCaption(caption);
    else
        ShowTrayHintInCaption();
}

void TMainController::ShowTrayHintInCaption() {
    FView.SetCaption(HintAsCaption(FTrayHint));
}

// The bar holds its position between 0 and its maximum, and so do the texts
// that show the percentage.
void TMainController::ShowProgress(TProgressView progress) {
    progress.Position = std::clamp(progress.Position, 0, std::max(progress.Max, 0));
    FProgress = progress;
    FView.ShowProgress(FProgress);
}

}  // namespace vantrel
