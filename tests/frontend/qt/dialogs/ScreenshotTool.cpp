// vantrel-dialog-screenshots DIR: shows the tray popup (both announcements)
// and the error dialog on the running X desktop ($DISPLAY) and saves what
// the screen shows into DIR. scripts/screenshots starts the desktop for it.
// The popup's texts are expanded here with sample values, the way the main
// window would expand them.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QScreen>
#include <QTest>

#include <cstdio>

#include "core/PopupRecords.h"
#include "core/iProcs.h"
#include "frontend/qt/dialogs/ErrorWin.h"
#include "frontend/qt/dialogs/PopupWin.h"
#include "protocol/ServerMessages.h"
#include "tests/frontend/qt/dialogs/DialogTestSupport.h"

namespace {

using namespace vantrel;

QString SampleText(const std::string& templateText) {
    QString text = QString::fromStdString(templateText);
    text.replace(QStringLiteral("[PROD_TITLE]"), QStringLiteral("Orbisk for Outlook"));
    text.replace(QStringLiteral("[PROD_VERSION]"), QStringLiteral("4.1.0.0"));
    return text;
}

bool Save(const QRect& area, const QString& file) {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                      area.width(), area.height());
    const bool saved = shot.save(file, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

// The popup fully faded in, with the screen's bottom-right corner around it.
bool ShootPopup(const TPopupInfoRec& info, const QString& file) {
    TTrayPopupRequest request;
    request.Info = info;
    request.Text = SampleText;
    TfTrayPopupWindow* popup = ShowTrayPopup(request);
    if (!QTest::qWaitForWindowExposed(popup) ||
        !test::WaitUntil([popup] { return popup->AlphaBlendValue() == 255; }))
        return false;
    QTest::qWait(200);  // the last paint reaches the server
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect corner(screen.right() - 320 + 1, screen.bottom() - 200 + 1, 320, 200);
    const bool saved = Save(corner, file);
    CloseTrayPopup();
    return saved;
}

bool ShootErrorDialog(const QString& file) {
    TfErrorDlg dialog;
    dialog.ShowError(ConnectionErrorMessage());
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return false;
    QTest::qWait(300);  // the window manager's frame is drawn
    return Save(dialog.frameGeometry().adjusted(-8, -8, 8, 8), file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantrel-dialog-screenshots DIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    AppDir = QCoreApplication::applicationDirPath().toStdString() + "/";
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const bool ok = ShootPopup(PopupNewVersionAvailable,
                               out.filePath(QStringLiteral("popup-new-version.png"))) &&
                    ShootPopup(PopupNewVersionDownloaded,
                               out.filePath(QStringLiteral("popup-downloaded.png"))) &&
                    ShootErrorDialog(out.filePath(QStringLiteral("error-dialog.png")));
    return ok ? 0 : 1;
}
