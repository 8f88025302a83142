// vantrel-main-screenshots DIR [--alone]: shows the main window on the
// running X desktop ($DISPLAY) in each of its states and saves what the
// screen shows into DIR: offered, downloading, paused, downloaded and up to
// date. scripts/screenshots starts the desktop for it. With --alone the
// window draws itself into each picture instead, without a frame or a
// desktop (any Qt platform, offscreen included): pictures that two builds
// can compare pixel for pixel.
//
// The states are reached the way a user reaches them: the window's own
// command button starts, pauses and resumes a real transfer from a loopback
// server, which holds the package at a fixed share until the pause, so that
// the downloading shot shows real progress.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "core/ProductVersion.h"
#include "core/UpdateState.h"
#include "core/iProcs.h"
#include "frontend/qt/controller/Main.h"
#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/dialogs/PopupWin.h"
#include "tests/frontend/qt/dialogs/DialogTestSupport.h"
#include "tests/support/LoopbackServer.h"

namespace {

using namespace vantrel;

constexpr std::size_t kPackageSize = 1000000;
// The share of the package the server sends before it waits for the pause.
constexpr std::size_t kHeldAt = 420000;
constexpr std::size_t kChunk = 16384;
const char* const kPackageName = "OrbiskSetup-4.1.0.0.exe";

// The update server as far as the window uses it: the package, served up
// to kHeldAt and held there until Release(), and the completion notice.
class TSampleServer {
public:
    TSampleServer() : FPackage(kPackageSize, '\0') {
        for (std::size_t i = 0; i < FPackage.size(); ++i)
            FPackage[i] = static_cast<char>(i * 131 + 7);
        auto& routes = FServer.Routes();
        routes.Get(std::string("/packages/") + kPackageName,
                   [this](const httplib::Request&, httplib::Response& response) {
                       response.set_header("Accept-Ranges", "bytes");
                       // httplib slices a ranged request itself: `offset` is
                       // a position in the whole package.
                       response.set_content_provider(
                           FPackage.size(), "application/octet-stream",
                           [this](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                               return Provide(offset, length, sink);
                           });
                   });
        routes.Get("/cgi-bin/vantrel/VantrelSrv4.dll/DownloadComplete",
                   [](const httplib::Request&, httplib::Response& response) {
                       response.set_content("OK", "text/plain");
                   });
        FServer.Start();
    }
    ~TSampleServer() { Release(); }

    std::string URL() const { return FServer.URL(); }

    void Release() {
        {
            std::lock_guard lock(FMutex);
            FHolding = false;
        }
        FReleased.notify_all();
    }

private:
    bool Provide(std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        std::size_t count = std::min(length, kChunk);
        {
            std::unique_lock lock(FMutex);
            if (FHolding && offset >= kHeldAt) {
                // Bounded, so that a tool that lost its window never hangs.
                FReleased.wait_for(lock, std::chrono::seconds(60), [this] { return !FHolding; });
                // The client that was held has gone; its answer ends here.
                return false;
            }
            if (FHolding)
                count = std::min(count, kHeldAt - offset);
        }
        return sink.write(FPackage.data() + offset, count);
    }

    test::LoopbackServer FServer;
    std::string FPackage;
    std::mutex FMutex;
    std::condition_variable FReleased;
    bool FHolding = true;
};

// A private home, so that the state store and the temporary package of the
// sample runs never meet the user's own.
bool UsePrivateHome(const QTemporaryDir& home) {
    if (!home.isValid())
        return false;
    const QByteArray root = home.path().toLocal8Bit();
    for (const char* dir : {"config", "cache", "runtime"})
        QDir(home.path()).mkpath(QString::fromLatin1(dir));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("HOME", root.constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
    return true;
}

void SetSampleReply(const std::string& serverURL) {
    ShowInfo = true;
    Language = u"English";
    ProjectID = "ORBISK4PRO";
    InstalledProduct = {true, PackVersion(4, 0, 2, 15), "orbisk4.dll"};
    AvailableProduct = {true, PackVersion(4, 1, 0, 0), kPackageName};
    ProjectInfo = TProjectInfo();
    ProjectInfo.ProductTitle = "Orbisk Professional for Outlook";
    ProjectInfo.WebSiteURL = "https://www.orbisk.example/";
    ProjectInfo.DownloadURL = serverURL + "/packages";
    ProjectInfo.Promotion = "Until the end of the month: the second licence for half the price.";
    ProjectInfo.NewVersionDescription =
        "The search now looks through attachments as well, and finds results while you type.";
    ProjectInfo.NewVersionBugFixes =
        "- Rules no longer run twice after waking from sleep\r\n"
        "- Folder names with umlauts (\xc3\x84nderungen) are shown correctly";
    ProjectInfo.NewVersionAddons = "Calendar export to iCalendar files.";
    ProjectInfo.ProductDescription =
        "Orbisk keeps your mailbox in order: it files incoming mail by rules you "
        "set up once and reminds you of messages that wait for an answer.";
    ProjectInfo.ProductFeatures =
        "- Rules by sender, subject and words in the text\r\n"
        "- Reminders for unanswered mail\r\n"
        "- Works with several accounts at once";
    UpdateState = TUpdateState();
    UpdateState.Status = StatusNone;
    UpdateState.Mode = 2;
}

bool gAlone = false;

bool Save(const QRect& area, const QString& file) {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                      area.width(), area.height());
    const bool saved = shot.save(file, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

// The window with its frame, once the popup that a state raises is gone
// (it has shots of its own and would cover the window's corner).
bool Shoot(TfVantrelMain& window, const QString& file) {
    CloseTrayPopup();
    if (!test::WaitUntil([] { return fTrayPopupWindow.isNull(); }))
        return false;
    if (gAlone) {
        // The focus and the default button settle once the popup's close
        // has been handled.
        QTest::qWait(400);
        const bool saved = window.grab().save(file, "PNG");
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
        return saved;
    }
    window.raise();
    window.activateWindow();
    QTest::qWait(400);  // the window manager's frame and the last paint
    return Save(window.frameGeometry().adjusted(-8, -8, 8, 8), file);
}

bool Click(QPushButton* button) {
    if (!button->isVisible())
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

bool ShootTransferStates(const QDir& out, TSampleServer& server) {
    auto window = std::make_unique<TfVantrelMain>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return false;
    if (!Shoot(*window, out.filePath(QStringLiteral("main-offered.png"))))
        return false;

    if (!Click(window->btnCommand))
        return false;
    TLabelProgressBar* bar = window->ProgressBar;
    if (!test::WaitUntil([bar] {
            return bar->Max() == static_cast<int>(kPackageSize) &&
                   bar->Position() == static_cast<int>(kHeldAt);
        })) {
        std::fprintf(stderr, "the transfer did not reach the held share\n");
        return false;
    }
    if (!Shoot(*window, out.filePath(QStringLiteral("main-downloading.png"))))
        return false;

    if (!Click(window->btnCommand))
        return false;
    server.Release();
    TfVantrelMain* w = window.get();
    if (!test::WaitUntil([w] { return w->TransferIdle(); }))
        return false;
    if (!Shoot(*window, out.filePath(QStringLiteral("main-paused.png"))))
        return false;

    if (!Click(window->btnCommand))
        return false;
    if (!test::WaitUntil(
            [w] { return UpdateState.Status == StatusDownloaded && w->TransferIdle(); })) {
        std::fprintf(stderr, "the resumed transfer did not complete\n");
        return false;
    }
    return Shoot(*window, out.filePath(QStringLiteral("main-downloaded.png")));
}

bool ShootUpToDate(const QDir& out) {
    AvailableProduct.Version = InstalledProduct.Version;
    UpdateState.Status = StatusNone;
    UpdateState.DownloadingVersion = 0;
    TfVantrelMain window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    return Shoot(window, out.filePath(QStringLiteral("main-uptodate.png")));
}

}  // namespace

int main(int argc, char** argv) {
    gAlone = argc == 3 && std::string(argv[2]) == "--alone";
    if (argc != 2 && !gAlone) {
        std::fprintf(stderr, "usage: vantrel-main-screenshots DIR [--alone]\n");
        return 2;
    }
    QTemporaryDir home;
    if (!UsePrivateHome(home)) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    AppDir = QCoreApplication::applicationDirPath().toStdString() + "/";
    const QDir out(QString::fromLocal8Bit(argv[1]));

    TSampleServer server;
    setenv("VANTREL_SERVER", server.URL().c_str(), 1);
    SetSampleReply(server.URL());
    const bool ok = ShootTransferStates(out, server) && ShootUpToDate(out);
    return ok ? 0 : 1;
}
