// The entry points of the window module. Until the main window is built, its
// entry point says on standard error that it would have been shown and
// returns, so that start-up carries on and saves the state as after a
// closed window.
#include "app/ui/WindowEntryPoints.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/iProcs.h"
#include "dialogs/ErrorWin.h"

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

int VantrelRunMainWindow(int /*argc*/, char** /*argv*/) {
    std::fprintf(stderr, "vantrel: the main window would have been shown (%s at start)\n",
                 vantrel::ShowInfo ? "shown" : "hidden");
    return 0;
}

int VantrelRunErrorDialog(int argc, char** argv) {
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "vantrel: no display: the error dialog would have been shown: %s\n",
                     vantrel::ErrorMessage.c_str());
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    vantrel::TfErrorDlg dialog;
    dialog.ShowError(vantrel::ErrorMessage);
    dialog.show();
    if (EnvironmentSet(kTestCloseDialogVariable))
        QTimer::singleShot(0, &dialog, [&dialog] { ReportAndClose(dialog); });
    return QApplication::exec();
}

}  // extern "C"
