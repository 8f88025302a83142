// The main window in Qt widgets: the form, the tray icon with its menu, the
// popups and the download component. What it shows and what a click does is
// decided by its TMainController; the window is that controller's view, and
// lends it the parts that do the work (the dictionary, the download
// component, the signature fetch).
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

#include "core/PopupRecords.h"
#include "frontend/qt/controls/ControlColors.h"
#include "frontend/qt/i18n/SFTranslateComponent.h"
#include "i18n/SFTranslateRepository.h"
#include "window/controller/MainController.h"
#include "window/controller/MainServices.h"
#include "window/controller/MainView.h"
#include "window/download/BindResults.h"

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

// The program's icon in its four sizes, for the windows and the tray.
QIcon VantrelApplicationIcon();

class TfVantrelMain : public QWidget, private TMainView, private TMainServices {
    Q_OBJECT

public:
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

    // What the window decides, and the state it is in.
    TMainController& Controller() { return *FController; }
    const TMainController& Controller() const { return *FController; }
    // The hint as set, before the tool tip's escaping.
    QString TrayHint() const { return QString::fromStdU16String(FController->TrayHint()); }
    bool TransferIdle() const { return FController->TransferIdle(); }
    bool CloseRequested() const { return FController->CloseRequested(); }
    bool VerifyPending() const { return FController->VerifyPending(); }
    const std::string& TempDir() const { return FController->TempDir(); }

    void miShoWindowClick();
    void miTrayQuitClick();
    void imgWebSiteClick();
    void miCopyTextClick();
    void WMShowMainWindow();
    void PopupDblClick(QObject* Sender);

    // The information panel's elements, through TInformationPanel.
    void AddSectionHeader(const QString& text, TColor color);
    void AddSection(const QString& caption, const std::string& text);

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

    QString Translate(std::string_view text);
    QString Expanded(std::string_view templ);

    // The view: what the controller shows (MainView.cpp).
    void ShowProduct(const std::u16string& title, const std::u16string& currentVersion) override;
    void SelectUpdateMode(int index) override;
    void ShowInformation(const std::vector<TInformationElement>& elements) override;
    void SetCommand(const std::u16string& text, TMainAction action) override;
    void SetCommandLabel(const std::u16string& text, TMainAction action) override;
    void HideCommandLabel() override;
    void SetHideButton(const std::u16string& text, TMainAction action) override;
    void SetNewVersionText(const std::u16string& text) override;
    void ShowProgress(const TProgressView& progress) override;
    void UseCompactLayout() override;
    void SetCaption(const std::u16string& caption) override;
    void SetTrayHint(const std::u16string& hint) override;
    void ShowPopup(const TPopupInfoRec& record, TMainAction action) override;
    void ClosePopup() override;
    bool PopupShown() const override;
    void ShowMessage(const std::u16string& message) override;
    void Post(std::function<void()> deferred) override;
    void PumpEvents() override;
    bool TrayAvailable() const override;
    bool WindowVisible() const override;
    void ShowWindow() override;
    void HideWindow() override;
    void MinimizeWindow() override;
    void CloseWindow() override;

    // The services: the window's parts that do the work (MainServices.cpp).
    std::u16string Translation(std::string_view english) override;
    void StartTransfer(const std::string& url, const std::string& file) override;
    void CancelTransfer() override;
    std::size_t TransferRequests() const override;
    void CheckPackageURL(const std::string& url) override;
    bool VerificationWanted() override;
    void FetchSignature(const std::string& url,
                        std::function<void(const TSignatureFetchResult&)> done) override;
    void CancelSignatureFetch() override;
    bool SignatureFetchRunning() const override;
    TVerification VerifyPackage(const std::string& tempDir, const std::string& signature,
                                bool atInstall) override;
    TVerification SignatureUnavailable(const std::string& url, bool atInstall) override;
    std::optional<std::string> KeptSignature(const std::string& tempDir) override;
    void RemovePackageFiles(const std::string& tempDir, bool includingFinal) override;
    TInstallResult RunInstaller(const std::string& tempDir) override;
    void NotifyDownloadComplete() override;
    void SaveState() override;
    void OpenURL(const std::string& address) override;

    std::unique_ptr<Ui::TfVantrelMain> FUi;
    std::unique_ptr<TMainController> FController;
    bool FOpeningWebSite = false;
    std::int32_t FNextTop = 8;
};

}  // namespace vantrel
