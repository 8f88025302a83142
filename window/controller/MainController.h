// The main window's logic: what the product's update looks like right now
// (offered, downloading, paused, downloaded, up to date), the command that
// moves it on, the tray hint and the popups, the package transfer, its
// signature check and the hand-over to the installer. It decides; the view
// (TMainView) shows and reports clicks, and the services do the work.
//
// The states re-point the click actions of the command button, the command
// label and the right-hand button, so the handler a control runs is always
// the one the current state assigned (the TMainAction members).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/PopupRecords.h"
#include "window/controller/MainServices.h"
#include "window/controller/MainView.h"
#include "window/controller/TextTemplates.h"

namespace vantrel {

// The tray icon's hint holds at most this many characters.
inline constexpr std::size_t kTrayHintMax = 127;

// `hint` cut to kTrayHintMax characters, never inside a surrogate pair.
std::u16string CutTrayHint(std::u16string hint);
// The hint's lines on one line, as a title bar shows them.
std::u16string HintAsCaption(std::u16string_view hint);

class TMainController {
public:
    TMainController(TMainView& view, TMainServices& services);

    // Shows the first state, from UpdateState.Status. `tempDir` ends with
    // '/'; `tempDirError` says why it must not hold the package (empty when
    // it may).
    void Start(std::string tempDir, std::string tempDirError);

    // What a control runs now, as the state re-pointed it.
    void Run(TMainAction action);
    TMainAction btnCommandOnClick() const { return FbtnCommandClick; }
    TMainAction lbCommandLabelOnClick() const { return FlbCommandLabelClick; }
    TMainAction btnHideOnClick() const { return FbtnHideClick; }

    // The click handlers.
    void DownloadClick();
    void PauseClick();
    void InstallClick();
    void CloseClick();
    void btnHideClick();
    void UpdateModeChosen(int index);

    void ShowMainWindow();
    void HideMainWindow();
    // The popup closed, whichever way.
    void TrayPopupClosed();
    // A close asked for: false refuses it while a transfer runs (its end
    // closes again). WindowClosed marks the accepted one.
    bool FormCloseQuery();
    void WindowClosed() { FWindowClosed = true; }

    // The download component's events.
    void TransferProgress(std::uint32_t progress, std::uint32_t progressMax,
                          std::uint32_t statusCode);
    void TransferComplete(const TTransferEnd& end);

    // The dictionary's text for an English source text, as the dictionary
    // gives it (the English text when it lacks the text).
    std::u16string Translate(std::string_view english);
    // A template translated, then expanded with the current values.
    std::u16string Expanded(std::string_view templ);

    const std::u16string& TrayHint() const { return FTrayHint; }
    const TProgressView& Progress() const { return FProgress; }
    bool TransferIdle() const { return FTransferIdle; }
    bool CloseRequested() const { return FCloseRequested; }
    bool ResumePending() const { return FResumePending; }
    // A finished transfer still waits for its signature check.
    bool VerifyPending() const { return FVerifyPending; }
    const std::string& TempDir() const { return FTempDir; }

private:
    void ShowUpdateInfo();
    void DiscardStaleDownload();
    void ShowOfferedState();
    void ShowUpToDateState();
    void StartDownload();
    void PauseDownload();
    void SetDownloadedState();
    void UpdateCaption();

    bool BeginTransfer(bool DeleteOld);
    void ShowTransferFailure(cache::TWriteFailure failure);
    void VerifyTransferredPackage();
    void FetchSignatureThen(std::function<void(const TVerification&)> then, bool atInstall);
    bool VerifyBeforeInstalling();
    void RefuseInstallation(const TVerification& verification);
    void RejectPackage(const std::u16string& reason);
    void ShowOfferAgain();
    void StartPendingResume();
    bool RunInstaller();

    void ShowTrayPopup(const TPopupInfoRec& info, TMainAction goAction);
    void SetTrayHint(std::string_view templ);
    // The title: the state's caption where a tray shows the hint, the hint
    // itself where none does.
    void ShowCaption(const std::u16string& caption);
    void ShowTrayHintInCaption();
    void ShowProgress(TProgressView progress);
    std::u16string FormatMessage(std::string_view text, const std::vector<std::u16string>& values);
    TTemplateValues TemplateValues() const;

    TMainView& FView;
    TMainServices& FServices;

    TMainAction FbtnCommandClick = TMainAction::None;
    TMainAction FlbCommandLabelClick = TMainAction::None;
    TMainAction FbtnHideClick = TMainAction::Hide;
    std::u16string FTrayHint;
    TProgressView FProgress;
    // The close was accepted: the program is ending.
    bool FWindowClosed = false;

    std::u16string FInstalledVersionText;
    std::u16string FNewVersionText;
    std::string FTempDir;
    // Why FTempDir cannot hold the package (empty when it can).
    std::string FTempDirError;
    bool FTransferIdle = true;
    bool FCloseRequested = false;
    // A resume asked for while a cancelled transfer had not yet reported its
    // end: started once it has, so that two transfers never share a file.
    bool FResumePending = false;
    // The package waits for its signature check: after its transfer (run
    // once the component has reported every end of it), or before its
    // hand-over to the installer when no signature was kept.
    bool FVerifyPending = false;
};

}  // namespace vantrel
