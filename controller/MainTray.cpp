#include "controller/Main.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>

#include "controller/InformationPanel.h"
#include "controller/SignatureFetch.h"
#include "controller/TrayAvailability.h"
#include "core/UpdateState.h"
#include "core/iProcs.h"
#include "dialogs/PopupWin.h"
#include "download/IEDownload.h"

namespace vantrel {

void TfVantrelMain::CloseClick(QObject* /*Sender*/) {
    close();
}

void TfVantrelMain::btnHideClick(QObject* /*Sender*/) {
    HideMainWindow();
}

void TfVantrelMain::miShoWindowClick() {
    ShowMainWindow();
}

void TfVantrelMain::miTrayQuitClick() {
    close();
}

void TfVantrelMain::cmbUpdateModeClick(int index) {
    if (index >= 0)
        UpdateState.Mode = static_cast<std::uint8_t>(index);
}

void TfVantrelMain::WMShowMainWindow() {
    ShowMainWindow();
}

void TfVantrelMain::ShowMainWindow() {
    // A window the window manager minimised would otherwise be shown iconic
    // again, and stay out of sight.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

// Start-up's show-the-window-at-start choice has no lasting setting here:
// the window is shown once, by the entry point, so hiding is all there is.
// Without a tray a hidden window could not be reached again until the next
// start: it goes to the taskbar instead.
void TfVantrelMain::HideMainWindow() {
    if (IsTrayAvailable()) {
        hide();
        return;
    }
    ShowTrayHintInCaption();
    showMinimized();
}

// A popup closed by the user (its cross, its link) leaves nothing on screen
// that leads back to the offer when there is no tray, so the window waits in
// the taskbar. Checked once the close has run its course: a popup replaced by
// the next one, or closed by a double-click that shows the window, needs
// nothing.
void TfVantrelMain::TrayPopupClosed() {
    QTimer::singleShot(0, this, [this] {
        if (FWindowClosed || !fTrayPopupWindow.isNull() || isVisible() || IsTrayAvailable())
            return;
        ShowTrayHintInCaption();
        showMinimized();
    });
}

void TfVantrelMain::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    FWindowClosed = true;
    TrayIcon->hide();
    emit Closed();
}

// A plain widget has no default button: Enter that no child took presses
// btnHide, as it would in a dialog.
void TfVantrelMain::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
        btnHide->isVisible() && btnHide->isEnabled()) {
        btnHide->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// A close during a transfer is refused: the cancel makes the transfer report
// its end, and that end (FCloseRequested) closes the window again, now idle.
// Cancelling with nothing running is harmless.
bool TfVantrelMain::FormCloseQuery() {
    FCloseRequested = true;
    IEDownload->Cancel();
    // A signature on its way is simply dropped: the package stays on disk,
    // and the next start checks it again.
    SignatureFetch->Cancel();
    return FTransferIdle;
}

// ---- The information panel and the popups ----------------------------------

void TfVantrelMain::AddSectionHeader(const QString& text, TColor color) {
    InformationPanel->AddSectionHeader(text, color);
}

void TfVantrelMain::AddSection(const QString& caption, const std::string& text) {
    InformationPanel->AddSection(caption, text);
}

void TfVantrelMain::imgWebSiteClick() {
    if (FOpeningWebSite)
        return;
    FOpeningWebSite = true;
    OpenURL(ProjectInfo.WebSiteURL);
    FOpeningWebSite = false;
}

void TfVantrelMain::OpenURL(const std::string& address) {
    vantrel::OpenURL(address);
}

void TfVantrelMain::miCopyTextClick() {
    InformationPanel->miCopyTextClick();
}

void TfVantrelMain::ShowTrayPopup(const TPopupInfoRec& info, TNotifyEvent goAction) {
    TTrayPopupRequest request;
    request.Owner = this;
    request.Info = info;
    request.Text = [this](const std::string& templ) { return Expanded(templ); };
    request.GoAction = [this, goAction] { Run(goAction); };
    request.DblClick = [this](QObject* sender) { PopupDblClick(sender); };
    request.Closed = [this] { TrayPopupClosed(); };
    vantrel::ShowTrayPopup(request);
}

void TfVantrelMain::CloseTrayPopup() {
    vantrel::CloseTrayPopup();
}

void TfVantrelMain::PopupDblClick(QObject* Sender) {
    vantrel::PopupDblClick(Sender, [this] { ShowMainWindow(); });
}

}  // namespace vantrel
