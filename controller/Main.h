// The main window: what the product's update looks like right now (offered,
// downloading, paused, downloaded, up to date), the command that moves it on,
// the tray icon with its hint and menu, and the tray popups. It also drives
// the package transfer and hands the finished package to the installer.
//
// The states re-point the click actions of btnCommand, lbCommandLabel and
// btnHide, so the handler a control runs is always the one the current state
// assigned (see the TNotifyEvent members).
#pragma once

#include <QAction>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/ControlColors.h"
#include "core/PopupRecords.h"
#include "i18n/SFTranslateComponent.h"
#include "i18n/SFTranslateRepository.h"
#include "platform/qt/BindResults.h"
#include "window/controller/TextTemplates.h"

namespace Ui {
class TfVantrelMain;
}

namespace vantrel {

class TBSCB;
class TClickLabel;
class TIEDownload;
class TInformationPanel;
class TLabelProgressBar;
class TScrollBox;
class TSignatureFetch;
struct TVerification;
class TSpecialFrame;
class TStream;

// The tray icon's hint holds at most this many characters.
inline constexpr int kTrayHintMax = 127;

// `hint` cut to kTrayHintMax characters, never inside a surrogate pair.
QString CutTrayHint(const QString& hint);

// The program's icon in its four sizes, for the windows and the tray.
QIcon VantrelApplicationIcon();

class TfVantrelMain : public QWidget {
    Q_OBJECT

public:
    // A click action as the states assign it; the sender is ignored.
    using TNotifyEvent = void (TfVantrelMain::*)(QObject* Sender);

    explicit TfVantrelMain(QWidget* parent = nullptr);
    ~TfVantrelMain() override;

    // Children of the form, by their design names.
    QLabel* Label2;
    TSpecialFrame* SpecialFrame1;
    QLabel* lbProductTitle;
    QLabel* lbCurrentProductVersion;
    TClickLabel* imgWebSite;
    TClickLabel* lbCommandLabel;
    QLabel* lbNewVersion;
    TSpecialFrame* SpecialFrame3;
    QLabel* imgProductLogo;
    TLabelProgressBar* ProgressBar;
    TSpecialFrame* SpecialFrame2;
    TScrollBox* ScrollBox;
    QPushButton* btnCommand;
    QComboBox* cmbUpdateMode;
    QPushButton* btnHide;

    // The non-visual parts.
    TIEDownload* IEDownload;
    QMenu* pmTray;
    QAction* miShoWindow;
    QAction* N1;
    QAction* miTrayQuit;
    QMenu* pmScrollBox;
    QAction* miCopyText;
    TSFTranslateRepository* Repository;
    TSFTranslateComponent* Translator;
    QSystemTrayIcon* TrayIcon;
    // Fetches the package's signature without holding up the window.
    TSignatureFetch* SignatureFetch;
    TInformationPanel* InformationPanel;

    // What each re-pointed control runs when clicked now.
    TNotifyEvent btnCommandOnClick() const { return FbtnCommandClick; }
    TNotifyEvent lbCommandLabelOnClick() const { return FlbCommandLabelClick; }
    TNotifyEvent btnHideOnClick() const { return FbtnHideClick; }
    // The hint as set, before the tool tip's escaping.
    const QString& TrayHint() const { return FTrayHint; }
    bool TransferIdle() const { return FTransferIdle; }
    bool CloseRequested() const { return FCloseRequested; }
    // A finished transfer still waits for its signature check.
    bool VerifyPending() const { return FVerifyPending; }
    const std::string& TempDir() const { return FTempDir; }

    // The handlers and commands.
    void DownloadClick(QObject* Sender);
    void PauseClick(QObject* Sender);
    void InstallClick(QObject* Sender);
    void CloseClick(QObject* Sender);
    void btnHideClick(QObject* Sender);
    void miShoWindowClick();
    void miTrayQuitClick();
    void cmbUpdateModeClick(int index);
    void imgWebSiteClick();
    void miCopyTextClick();
    void WMShowMainWindow();
    void PopupDblClick(QObject* Sender);

    void ShowMainWindow();
    void HideMainWindow();

    // The information panel's elements, through TInformationPanel.
    void AddSectionHeader(const QString& text, TColor color);
    void AddSection(const QString& caption, const std::string& text);

    // The download component's events.
    void IEDownloadProgress(TBSCB* Sender, std::uint32_t ulProgress, std::uint32_t ulProgressMax,
                            std::uint32_t ulStatusCode);
    void IEDownloadComplete(TBSCB* Sender, TStream* Stream, platform::HRESULT Result);

signals:
    // The window accepted a close: the program is to end.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // WMQueryOpen has no counterpart here: no desktop asks a window whether
    // it may be restored from a minimised state.

private:
    void ApplyLooks();
    void MakeNonVisualParts();
    void MakeTrayIcon();
    void MakeTranslator();
    void ConnectControls();
    void FormCreate();
    bool FormCloseQuery();

    void ShowUpdateInfo();
    void FillInformationPanel();
    void DiscardStaleDownload();
    void ShowOfferedState();
    void ShowUpToDateState();
    void StartDownload();
    void PauseDownload();
    void SetDownloadedState();
    void UpdateCaption();

    bool BeginTransfer(bool DeleteOld);
    void ShowTransferFailure(const TBSCB* Sender);
    // Signed packages (MainVerification.cpp).
    void VerifyTransferredPackage();
    void FetchSignatureThen(const std::function<void(const TVerification&)>& then, bool atInstall);
    bool VerifyBeforeInstalling();
    void RefuseInstallation(const TVerification& verification);
    void RejectPackage(const QString& reason);
    void StartPendingResume();
    void NotifyDownloadComplete();
    bool RunInstaller();
    void ShowErrorMessage(const QString& message);

    void OpenURL(const std::string& address);

    void ShowTrayPopup(const TPopupInfoRec& info, TNotifyEvent goAction);
    void CloseTrayPopup();
    void TrayPopupClosed();
    void SetTrayHint(std::string_view templ);
    // The title: the state's caption where a tray shows the hint, the hint
    // itself where none does.
    void ShowCaption(const QString& caption);
    void ShowTrayHintInCaption();
    QString Translate(std::string_view text);
    QString Expanded(std::string_view templ);
    TTemplateValues TemplateValues() const;
    void Run(TNotifyEvent action);

    std::unique_ptr<Ui::TfVantrelMain> FUi;
    TNotifyEvent FbtnCommandClick = nullptr;
    TNotifyEvent FlbCommandLabelClick = nullptr;
    TNotifyEvent FbtnHideClick = nullptr;
    QString FTrayHint;
    // The close was accepted: the program is ending.
    bool FWindowClosed = false;

    bool FOpeningWebSite = false;
    std::string FInstalledVersionText;
    std::string FNewVersionText;
    std::string FTempDir;
    // Why FTempDir cannot hold the package (empty when it can).
    std::string FTempDirError;
    std::int32_t FNextTop = 8;
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
