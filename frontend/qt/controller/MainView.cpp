// The main window as its controller's view: each call shows what the
// controller decided on the form's widgets, the tray and the popup.
#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

#include "core/SourceTexts.h"
#include "frontend/qt/controller/InformationPanel.h"
#include "frontend/qt/controller/Main.h"
#include "frontend/qt/controller/MainParts.h"
#include "frontend/qt/controller/ScrollBox.h"
#include "frontend/qt/controller/TrayAvailability.h"
#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/controls/SpecialFrame.h"
#include "frontend/qt/dialogs/ClickLabel.h"
#include "frontend/qt/dialogs/PopupWin.h"
#include "window/controller/MainController.h"

namespace vantrel {

namespace {

QString Wide(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

}  // namespace

void TfVantrelMain::ShowProduct(const std::u16string& title, const std::u16string& currentVersion) {
    lbProductTitle->setText(Wide(title));
    lbCurrentProductVersion->setText(Wide(currentVersion));
}

void TfVantrelMain::SelectUpdateMode(int index) {
    cmbUpdateMode->setCurrentIndex(index < cmbUpdateMode->count() ? index : -1);
}

// The actions live in the controller, which the clicks ask each time.
void TfVantrelMain::SetCommand(const std::u16string& text, TMainAction /*action*/) {
    btnCommand->setText(Wide(text));
    btnCommand->show();
}

void TfVantrelMain::SetCommandLabel(const std::u16string& text, TMainAction /*action*/) {
    lbCommandLabel->setText(Wide(text));
    lbCommandLabel->show();
}

void TfVantrelMain::HideCommandLabel() {
    lbCommandLabel->hide();
}

void TfVantrelMain::SetHideButton(const std::u16string& text, TMainAction /*action*/) {
    btnHide->setText(Wide(text));
}

void TfVantrelMain::SetNewVersionText(const std::u16string& text) {
    lbNewVersion->setText(Wide(text));
}

void TfVantrelMain::ShowProgress(const TProgressView& progress) {
    ProgressBar->SetMax(progress.Max);
    ProgressBar->SetPosition(progress.Position);
    ProgressBar->SetPercentType(progress.Paused ? TLabelProgressBar::showStatic
                                                : TLabelProgressBar::showPercent);
    ProgressBar->setVisible(progress.Visible);
}

void TfVantrelMain::UseCompactLayout() {
    SpecialFrame1->resize(SpecialFrame1->width(), 97);
    // The panel's new top, 98, is counted in the window like the frame's: in
    // the frame, whose top is now 96, that is 2, so the panel stays inside it.
    SpecialFrame2->setGeometry(SpecialFrame2->x(), 96, SpecialFrame2->width(), 217);
    ScrollBox->setGeometry(ScrollBox->x(), 98 - SpecialFrame2->y(), ScrollBox->width(), 213);
}

void TfVantrelMain::SetCaption(const std::u16string& caption) {
    setWindowTitle(Wide(caption));
}

// The hint is shown as a tool tip, which a desktop may read as markup: a
// product title from the server is shown literally.
void TfVantrelMain::SetTrayHint(const std::u16string& hint) {
    TrayIcon->setToolTip(PlainToolTip(Wide(hint)));
}

void TfVantrelMain::ShowPopup(const TPopupInfoRec& record, TMainAction action) {
    TTrayPopupRequest request;
    request.Owner = this;
    request.Info = record;
    request.Text = [this](const std::string& templ) { return Expanded(templ); };
    request.GoAction = [this, action] { FController->Run(action); };
    request.DblClick = [this](QObject* sender) { PopupDblClick(sender); };
    request.Closed = [this] { FController->TrayPopupClosed(); };
    vantrel::ShowTrayPopup(request);
}

void TfVantrelMain::ClosePopup() {
    vantrel::CloseTrayPopup();
}

bool TfVantrelMain::PopupShown() const {
    return !fTrayPopupWindow.isNull();
}

// The message may quote what the server sent: never read as markup.
void TfVantrelMain::ShowMessage(const std::u16string& message) {
    QMessageBox box(QMessageBox::Critical, main_parts::Text(texts::kAppTitle), Wide(message),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ErrorMessageBox"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TfVantrelMain::Post(std::function<void()> deferred) {
    QTimer::singleShot(0, this, std::move(deferred));
}

void TfVantrelMain::PumpEvents() {
    QCoreApplication::processEvents();
}

bool TfVantrelMain::TrayAvailable() const {
    return IsTrayAvailable();
}

bool TfVantrelMain::WindowVisible() const {
    return isVisible();
}

void TfVantrelMain::ShowWindow() {
    // A window the window manager minimised would otherwise be shown iconic
    // again, and stay out of sight.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TfVantrelMain::HideWindow() {
    hide();
}

void TfVantrelMain::MinimizeWindow() {
    showMinimized();
}

void TfVantrelMain::CloseWindow() {
    close();
}

}  // namespace vantrel
