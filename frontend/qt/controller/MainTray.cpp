#include "frontend/qt/controller/Main.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>

#include "core/iProcs.h"
#include "frontend/qt/controller/InformationPanel.h"
#include "frontend/qt/controller/SignatureFetch.h"
#include "frontend/qt/controller/TrayAvailability.h"
#include "frontend/qt/dialogs/PopupWin.h"
#include "frontend/qt/download/IEDownload.h"

namespace vantrel {

void TfVantrelMain::miShoWindowClick() {
    FController->ShowMainWindow();
}

void TfVantrelMain::miTrayQuitClick() {
    close();
}

void TfVantrelMain::WMShowMainWindow() {
    FController->ShowMainWindow();
}

void TfVantrelMain::closeEvent(QCloseEvent* event) {
    if (!FController->FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    FController->WindowClosed();
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

void TfVantrelMain::PopupDblClick(QObject* Sender) {
    vantrel::PopupDblClick(Sender, [this] { FController->ShowMainWindow(); });
}

}  // namespace vantrel
