// The main window as the tests drive it: the process-wide values start-up
// would fill, a loopback server that is both the update server and the
// package host, the user's directories in a scratch directory and the shell
// replaced by a recorder.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/ProductVersion.h"
#include "core/UpdateState.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"
#include "frontend/qt/controller/Main.h"
#include "frontend/qt/controller/ShellOpen.h"
#include "frontend/qt/controller/TrayAvailability.h"
#include "frontend/qt/dialogs/PopupWin.h"
#include "frontend/qt/download/IEDownload.h"
#include "platform/InternetState.h"
#include "tests/frontend/qt/dialogs/DialogTestSupport.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {

inline constexpr std::size_t kPackageBytes = 200000;
inline const std::uint32_t kInstalledVersion = PackVersion(4, 0, 0, 1);
inline const std::uint32_t kOfferedVersion = PackVersion(4, 0, 0, 2);
inline constexpr const char* kNoticePath = "/cgi-bin/vantrel/VantrelSrv4.dll/DownloadComplete";

// Serves the package under /fast and under /slow (the same bytes, paced so
// that a test can act while the transfer runs), answering byte ranges itself:
// 206 for a range inside the package, 416 for one that starts at its end.
// The completion notice is answered "ok".
class TUpdateServer {
public:
    TUpdateServer() {
        for (std::size_t i = 0; i < kPackageBytes; ++i)
            FPackage.push_back(static_cast<char>((i * 7 + i / 251) & 0xFF));
        auto& routes = FServer.Routes();
        routes.Get("/fast/setup.bin",
                   [this](const httplib::Request& q, httplib::Response& s) { Serve(q, s, false); });
        routes.Get("/slow/setup.bin",
                   [this](const httplib::Request& q, httplib::Response& s) { Serve(q, s, true); });
        routes.Get(kNoticePath, [](const httplib::Request&, httplib::Response& s) {
            s.set_content("ok", "text/plain");
        });
        FServer.Start();
    }

    std::string URL(const std::string& path) const { return FServer.URL() + path; }
    const std::string& Package() const { return FPackage; }
    std::vector<RecordedRequest> Requests(const std::string& path) const {
        std::vector<RecordedRequest> found;
        for (const RecordedRequest& request : FServer.Requests())
            if (request.path == path)
                found.push_back(request);
        return found;
    }

private:
    void Serve(const httplib::Request& q, httplib::Response& s, bool slow) {
        // httplib would slice the answer to a range itself; this server
        // decides, so that the statuses are the ones a test expects.
        const_cast<httplib::Request&>(q).ranges.clear();
        s.set_header("Accept-Ranges", "bytes");
        std::size_t first = 0;
        const std::string range = q.get_header_value("Range");
        if (range.rfind("bytes=", 0) == 0) {
            first = std::stoul(range.substr(6));
            if (first >= FPackage.size()) {
                s.status = 416;
                s.set_header("Content-Range", "bytes */" + std::to_string(FPackage.size()));
                s.set_content("range not satisfiable", "text/plain");
                return;
            }
            s.status = 206;
            s.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                              std::to_string(FPackage.size() - 1) + "/" +
                                              std::to_string(FPackage.size()));
        }
        s.set_content_provider(
            FPackage.size() - first, "application/octet-stream",
            [this, first, slow](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                // A slow line: the whole package takes about a second.
                const std::size_t chunk = slow ? std::min<std::size_t>(length, 1000) : length;
                if (slow)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                return sink.write(FPackage.data() + first + offset, chunk);
            });
    }

    LoopbackServer FServer;
    std::string FPackage;
};

// Presses OK on every message box that comes up while it lives, keeping the
// texts.
class TMessageBoxAnswerer {
public:
    TMessageBoxAnswerer() {
        FTimer.setInterval(10);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Texts.push_back(box->text());
                if (OnBox)
                    OnBox();
                box->button(QMessageBox::Ok)->click();
            }
        });
        FTimer.start();
    }
    std::vector<QString> Texts;
    // Runs as each box is answered.
    std::function<void()> OnBox;

private:
    QTimer FTimer;
};

class TMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CACHE_HOME", (Home / "cache").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Home / "config").c_str(), 1);
        setenv("VANTREL_SERVER", Server.URL("").c_str(), 1);
        platform::SetInternetConnectedOverride(true);
        // The offscreen platform has no tray; a test without one says so.
        SetTrayAvailableOverride(true);
        IsWinNT = true;
        ShowInfo = false;
        Language = u"English";
        AppDir = Home.path().string() + "/";
        RegistryPath.clear();
        ProjectID = "Orbisk4Outlook";
        InstalledProduct = {true, kInstalledVersion, "kvoutlook.dll"};
        AvailableProduct = {true, kOfferedVersion, "setup.bin"};
        ProjectInfo = TProjectInfo{};
        ProjectInfo.ProductTitle = "Orbisk";
        ProjectInfo.DownloadURL = Server.URL("/fast");
        ErrorMessage.clear();
        UpdateState = TUpdateState{};
        UpdateState.Mode = ModeWeekly;
        FPreviousShell = SetShellOpenFunction([this](const QUrl& target) {
            Opened.push_back(target);
            return OpenSucceeds;
        });
        std::filesystem::create_directories(Home / "cache" / "vantrel");
    }

    void TearDown() override {
        if (Window) {
            WaitUntil([this] { return Window->IEDownload->RequestCount() == 0; });
            Window.reset();
        }
        CloseTrayPopup();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetShellOpenFunction(FPreviousShell);
        platform::SetInternetConnectedOverride(std::nullopt);
        SetTrayAvailableOverride(std::nullopt);
    }

    TfVantrelMain& Create() {
        Window = std::make_unique<TfVantrelMain>();
        return *Window;
    }

    std::filesystem::path CacheFile(const std::string& name) const {
        return Home / "cache" / "vantrel" / name;
    }
    std::filesystem::path Partial() const { return CacheFile("setup.bin.tmp"); }
    std::filesystem::path Final() const { return CacheFile("setup.bin"); }

    // No transfer runs and none is still to report its end.
    // No transfer runs, none is still reporting its end, and no finished
    // one waits for its signature check.
    bool Idle() const {
        return Window->TransferIdle() && Window->IEDownload->RequestCount() == 0 &&
               !Window->VerifyPending();
    }
    bool WaitForStatus(std::uint8_t status) {
        return WaitUntil([&] { return UpdateState.Status == status && Idle(); });
    }

    // What the store holds now, leaving the values in memory alone.
    TUpdateState SavedState() const {
        const TUpdateState inMemory = UpdateState;
        const std::u16string language = Language;
        LoadUpdateState();
        const TUpdateState saved = UpdateState;
        UpdateState = inMemory;
        Language = language;
        return saved;
    }

    std::size_t Notices() const { return Server.Requests(kNoticePath).size(); }

    TempDir Home;
    TUpdateServer Server;
    std::vector<QUrl> Opened;
    bool OpenSucceeds = true;
    std::unique_ptr<TfVantrelMain> Window;

private:
    TShellOpenFunction FPreviousShell;
};

}  // namespace vantrel::test
