// The entry points of the window module: each makes the GUI application,
// shows its window and runs the message loop until the window is closed;
// start-up saves the state once they return.
#include "app/WindowEntryPoints.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/iProcs.h"
#include "frontend/qt/app/InstanceMessageNotifier.h"
#include "frontend/qt/app/QtPlatformChoice.h"
#include "frontend/qt/app/TerminationSignals.h"
#include "frontend/qt/controller/Main.h"
#include "frontend/qt/dialogs/ErrorWin.h"
#include "frontend/qt/dialogs/WindowAccessibility.h"
#include "platform/InstanceMessages.h"

namespace {

// For tests only: when set (not empty), the error dialog, once shown, writes its
// caption, heading and message to standard output and then presses its own
// Close button, so that a test can run the real program without a person.
constexpr const char* kTestCloseDialogVariable = "VANTREL_TEST_CLOSE_DIALOG";

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Without a display Qt would abort the whole program; start-up must still
// save the state, so the window is given up with a message instead.
bool DisplayAvailable() {
    return EnvironmentSet("QT_QPA_PLATFORM") || EnvironmentSet("DISPLAY") ||
           EnvironmentSet("WAYLAND_DISPLAY");
}

void ReportAndClose(vantrel::TfErrorDlg& dialog) {
    const auto line = [](const char* what, const QString& text) {
        QByteArray escaped = text.toUtf8();
        escaped.replace("\r\n", "\\r\\n");
        std::printf("%s: %s\n", what, escaped.constData());
    };
    line("caption", dialog.windowTitle());
    line("heading", dialog.lbErrorTitle->text());
    line("message", dialog.lbError->text());
    std::fflush(stdout);
    dialog.btnClose->click();
}

}  // namespace

extern "C" {

int VantrelRunMainWindow(int argc, char** argv) {
    using vantrel::TfVantrelMain;
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "vantrel: no display: the main window would have been shown (%s at start)\n",
                     vantrel::ShowInfo ? "shown" : "hidden");
        return 1;
    }
    vantrel::AskQtForPlatform();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setWindowIcon(vantrel::VantrelApplicationIcon());
    vantrel::InstallWindowAccessibility();
    // The window usually starts hidden and lives in the tray: only its
    // accepted close ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // Listening before the window exists keeps a signal that comes while it
    // is being made (the query, a transfer resumed at once).
    std::unique_ptr<vantrel::TTerminationSignalNotifier> terminations;
    try {
        terminations = std::make_unique<vantrel::TTerminationSignalNotifier>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel: %s\n", e.what());
    }
    TfVantrelMain window;
    QObject::connect(&window, &TfVantrelMain::Closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (terminations) {
        // The same close as "Quit": a running transfer is cancelled first and
        // the window closes once it has reported its end.
        QObject::connect(terminations.get(), &vantrel::TTerminationSignalNotifier::Terminated,
                         &window, [&window] { window.close(); });
    }
    std::unique_ptr<vantrel::TInstanceMessageNotifier> instanceMessages;
    try {
        instanceMessages = std::make_unique<vantrel::TInstanceMessageNotifier>();
        QObject::connect(instanceMessages.get(),
                         &vantrel::TInstanceMessageNotifier::MessageReceived, &window,
                         [&window](quint32 message, qint64, qint64) {
                             if (message == vantrel::platform::WM_SHOWMAINWINDOW)
                                 window.WMShowMainWindow();
                         });
    } catch (const std::exception& e) {
        // A later start cannot wake this one; everything else works.
        std::fprintf(stderr, "vantrel: %s\n", e.what());
    }
    if (vantrel::ShowInfo)
        window.show();
    return QApplication::exec();
}

int VantrelRunErrorDialog(int argc, char** argv) {
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "vantrel: no display: the error dialog would have been shown: %s\n",
                     vantrel::ErrorMessage.c_str());
        return 1;
    }
    vantrel::AskQtForPlatform();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    vantrel::InstallWindowAccessibility();
    vantrel::TfErrorDlg dialog;
    dialog.ShowError(vantrel::ErrorMessage);
    dialog.show();
    if (EnvironmentSet(kTestCloseDialogVariable))
        QTimer::singleShot(0, &dialog, [&dialog] { ReportAndClose(dialog); });
    return QApplication::exec();
}

}  // extern "C"
