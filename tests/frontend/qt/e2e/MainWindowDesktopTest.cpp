// The built vantrel on a real desktop (Xvfb, openbox, a tint2 panel with a
// tray) against the nginx recipe, driven the way a user drives it: by the
// tray, by a second start and by clicks, and killed as a session that loses
// power would kill it. What it shows is read back from the X server; what it
// stores and sends, from its files and the server's logs.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>

#include "core/PopupRecords.h"
#include "frontend/qt/dialogs/PopupWin.h"
#include "platform/RegistryStore.h"
#include "protocol/ReplyWriter.h"
#include "tests/e2e/ChildProcess.h"
#include "tests/e2e/DesktopWindows.h"
#include "tests/support/DesktopSession.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/NginxServer.h"
#include "tests/support/TempDir.h"
#include "tools/sample/PeFixture.h"

// The X platform opens a D-Bus connection whose buffer libdbus keeps for
// the life of the process; the leak checker is told that it is not ours.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the sanitizer runtime looks this name up
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kPackageName = "Orbisk4OutlookSetup.exe";
constexpr const char* kProductTitle = "Orbisk for Outlook";
constexpr const char* kOfferedVersionText = "4.0.0.2";
constexpr std::uint32_t kOfferedVersion = 0x04000002;
// Big and slow enough to be killed half-way: at 256 KiB/s the whole package
// takes about eight seconds.
constexpr std::size_t kPackageSize = std::size_t{2} * 1024 * 1024;
constexpr const char* kRateLimit = "256k";

// The form's design: the main window's size (its client of 460 by 385 in a
// border of 8), and btnCommand's and cmbUpdateMode's places in the client.
constexpr int kBorder = 8;
constexpr int kMainWidth = 460 + 2 * kBorder, kMainHeight = 385 + 2 * kBorder;
constexpr int kCommandLeft = 229, kCommandTop = 339, kCommandWidth = 131, kCommandHeight = 25;
constexpr int kModeListLeft = 8, kModeListTop = 346;

constexpr int kWindowTimeoutMs = 20000;
constexpr int kTransferTimeoutMs = 60000;

std::vector<std::uint8_t> PackageBytes() {
    std::vector<std::uint8_t> bytes(kPackageSize);
    std::uint32_t state = 0x5eed;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

std::string Text(const fs::path& path) {
    std::error_code missing;
    if (!fs::exists(path, missing))
        return {};
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

std::uintmax_t SizeOf(const fs::path& path) {
    std::error_code missing;
    const std::uintmax_t size = fs::file_size(path, missing);
    return missing ? 0 : size;
}

// One package request as the recipe's access log records it.
struct TPackageRequest {
    int Status = 0;
    std::uintmax_t BodyBytes = 0;
    std::string Range;  // the Range header, "-" when none was sent
};

std::vector<TPackageRequest> PackageRequests(const fs::path& accessLog) {
    // ... "GET /packages/NAME HTTP/1.1" STATUS BYTES "RANGE" "AGENT"
    static const std::regex line(R"re("GET /packages/[^ ]* HTTP/1\.[01]" (\d+) (\d+) "([^"]*)")re");
    std::vector<TPackageRequest> requests;
    std::istringstream log(Text(accessLog));
    for (std::string entry; std::getline(log, entry);) {
        std::smatch match;
        if (std::regex_search(entry, match, line))
            requests.push_back({std::stoi(match[1]), std::stoull(match[2]), match[3]});
    }
    return requests;
}

// Pixels whose colour differs noticeably between two pictures of one size.
int DifferentPixels(const QImage& a, const QImage& b) {
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    if (left.size() != right.size())
        return left.width() * left.height();
    int different = 0;
    for (int y = 0; y < left.height(); ++y) {
        const auto* l = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* r = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            if (std::abs(qRed(l[x]) - qRed(r[x])) + std::abs(qGreen(l[x]) - qGreen(r[x])) +
                    std::abs(qBlue(l[x]) - qBlue(r[x])) >
                48)
                ++different;
        }
    }
    return different;
}

// For a failure's message only: ends the child and shows what it printed.
std::string Output(TChildProcess& child) {
    child.Wait(2000);
    return "\n--- vantrel's output:\n" + child.Out() + child.Err();
}

class MainWindowDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::string> missing = TDesktopSession::MissingTools();
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
            missing.emplace_back("xdotool");
        if (!missing.empty()) {
            std::string names;
            for (const std::string& tool : missing)
                names += " " + tool;
            GTEST_SKIP() << "no desktop to test on; missing:" << names
                         << " (scripts/bootstrap installs them)";
        }
        for (const fs::path& dir : {FHome, FConfig, FCache, FRuntime, FWork, FTools,
                                    FServed / "replies", FServed / "packages"})
            fs::create_directories(dir);
        // Made as the program makes it, so that the test can watch it from the start.
        fs::create_directory(FCache / "vantrel");
        fs::permissions(FCache / "vantrel", fs::perms::owner_all, fs::perm_options::replace);
        FDesktop = std::make_unique<TDesktopSession>();
        FX = std::make_unique<TXDesktop>(FDesktop->Display());
        // The test's own application, on the same desktop, renders the popups
        // the program is expected to show and grabs the ones it does show.
        setenv("DISPLAY", FDesktop->Display().c_str(), 1);
        FApp = std::make_unique<QApplication>(FArgc, FArgv);

        // The server reads the rate limit once, when it starts.
        setenv("VANTREL_NGINX_LIMIT_RATE", kRateLimit, 1);
        FServer = std::make_unique<NginxServer>(FServed);
        unsetenv("VANTREL_NGINX_LIMIT_RATE");

        FPackage = PackageBytes();
        WriteFile(FServed / "packages" / kPackageName, FPackage);
        WritePeLibrary(FWork / "kvoutlook.dll", 4, 0, 0, 1);
        TProjectReplyContent content;
        content.ProductTitle = kProductTitle;
        content.ProductDescription = "Keeps your mail in order.";
        content.NewVersionDescription = "Faster start.";
        content.DownloadURL = FServer->URL() + "/packages";
        content.Available = TProductVersionRec{true, kOfferedVersion, kPackageName};
        WriteFile(FServed / "replies" / "Orbisk4Outlook.reply", BuildProjectReply(content));

        // Qt opens files with xdg-open from PATH: this one only writes down
        // what it was asked to open.
        WriteFile(FTools / "xdg-open",
                  "#!/bin/sh\nprintf '%s\\n' \"$@\" >>'" + FOpened.string() + "'\n");
        fs::permissions(FTools / "xdg-open", fs::perms::owner_all);

        // The program under test meets the same D-Bus buffer as this process
        // (see the suppression above); in a sanitizer build its leak check
        // would turn that into a failed exit status. Without a sanitizer the
        // variable means nothing.
        WriteFile(FTools / "lsan.supp", "leak:libdbus-1.so\n");
    }

    void TearDown() override {
        FProcesses.clear();
        CloseTrayPopup();
        if (FApp)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        FApp.reset();  // before the X server goes
        FDesktop.reset();
        FServer.reset();
    }

    std::vector<std::string> Environment() const {
        return {"HOME=" + FHome.string(),
                "XDG_CONFIG_HOME=" + FConfig.string(),
                "XDG_CACHE_HOME=" + FCache.string(),
                "XDG_RUNTIME_DIR=" + FRuntime.string(),
                "VANTREL_SERVER=" + FServer->URL(),
                "DISPLAY=" + FDesktop->Display(),
                "LC_ALL=C.UTF-8",
                "PATH=" + FTools.string() + ":/usr/bin:/bin",
                "LSAN_OPTIONS=suppressions=" + (FTools / "lsan.supp").string()};
    }

    TChildProcess& Start(const std::vector<std::string>& args = {},
                         const std::string& server = {}) {
        std::vector<std::string> environment = Environment();
        for (std::string& variable : environment)
            if (!server.empty() && variable.rfind("VANTREL_SERVER=", 0) == 0)
                variable = "VANTREL_SERVER=" + server;
        FProcesses.push_back(
            std::make_unique<TChildProcess>(BinDir() / "vantrel", args, environment, FWork));
        return *FProcesses.back();
    }

    // Waits for `done`, woken early by changes inside `watched` (files can be
    // waited on) and otherwise every 50 ms (the X server's state, read with
    // its command-line tools, cannot).
    bool WaitFor(const std::function<bool()>& done, int timeoutMs,
                 const std::vector<fs::path>& watched = {}) {
        const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        for (const fs::path& dir : watched)
            inotify_add_watch(watch, dir.c_str(), IN_MODIFY | IN_CREATE | IN_MOVED_TO);
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        bool reached = false;
        while (!(reached = done())) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0)
                break;
            pollfd changes{watch, POLLIN, 0};
            poll(&changes, 1, static_cast<int>(std::min<long long>(left, 50)));
            char events[4096];
            while (read(watch, events, sizeof events) > 0) {
            }
            QCoreApplication::processEvents();
        }
        close(watch);
        return reached;
    }

    std::optional<TXWindow> TrayIcon(pid_t pid) const {
        for (const TXWindow& window : FX->WindowsOf(pid))
            if (window.Viewable && FX->InPanel(window.Id))
                return window;
        return std::nullopt;
    }

    static bool IsMainWindow(const TXWindow& window) {
        return window.Width == kMainWidth && window.Height == kMainHeight &&
               window.Name.rfind("Vantrel", 0) == 0;
    }

    // The main window when it is on screen.
    std::optional<TXWindow> MainWindow(pid_t pid) const {
        for (const TXWindow& window : FX->WindowsOf(pid))
            if (window.Viewable && IsMainWindow(window))
                return window;
        return std::nullopt;
    }

    // A popup: any other window of the program on screen, outside the panel.
    std::optional<TXWindow> Popup(pid_t pid) const {
        for (const TXWindow& window : FX->WindowsOf(pid))
            if (window.Viewable && !IsMainWindow(window) && !FX->InPanel(window.Id))
                return window;
        return std::nullopt;
    }

    // Waits for the main window of `pid`, as a person would look for it.
    std::optional<TXWindow> WaitForMainWindow(pid_t pid) {
        std::optional<TXWindow> found;
        WaitFor(
            [&] {
                std::istringstream ids(CommandOutput("DISPLAY=" + FDesktop->Display() +
                                                     " xdotool search --onlyvisible --name "
                                                     "Vantrel 2>/dev/null"));
                for (unsigned long id = 0; ids >> id;) {
                    const std::optional<TXWindow> window = FX->Describe(id);
                    if (window && window->Viewable && IsMainWindow(*window)) {
                        for (const TXWindow& own : FX->WindowsOf(pid))
                            if (own.Id == id)
                                found = window;
                    }
                }
                return found.has_value();
            },
            kWindowTimeoutMs);
        return found;
    }

    // The tray menu's separator row as shown must match a separator without
    // text drawn here in the same style, and a caption there would show.
    void ExpectSeparatorWithoutText(const TXWindow& shown) {
        const auto render = [](const QString& separatorText, QRect* band) {
            QMenu menu;
            QAction* show = menu.addAction(QStringLiteral("Show Vantrel"));
            menu.setDefaultAction(show);
            QAction* separator = menu.addSeparator();
            separator->setText(separatorText);
            menu.addAction(QStringLiteral("Quit"));
            menu.resize(menu.sizeHint());
            *band = menu.actionGeometry(separator);
            return menu.grab().toImage();
        };
        QRect band;
        const QImage plain = render(QString(), &band);
        const QImage dashed = render(QStringLiteral("-"), &band);
        ASSERT_GT(DifferentPixels(plain.copy(band), dashed.copy(band)), 0);
        const QImage grabbed = QGuiApplication::primaryScreen()->grabWindow(shown.Id).toImage();
        ASSERT_EQ(grabbed.size(), plain.size()) << "the menu is not the one drawn here";
        EXPECT_EQ(DifferentPixels(grabbed.copy(band), plain.copy(band)), 0)
            << "the separator row shows more than a line";
    }

    void ClickCommandButton(const TXWindow& main) {
        FX->Click(main.Id, kBorder + kCommandLeft + kCommandWidth / 2,
                  kBorder + kCommandTop + kCommandHeight / 2);
    }

    // The popup as the X server holds it, once its fade has made it opaque.
    QImage GrabPopup(const TXWindow& popup) {
        const std::string opacity = "DISPLAY=" + FDesktop->Display() + " xprop -id " +
                                    HexId(popup.Id) + " _NET_WM_WINDOW_OPACITY 2>&1";
        EXPECT_TRUE(WaitFor(
            [&] { return CommandOutput(opacity).find("= 4294967295") != std::string::npos; },
            kWindowTimeoutMs))
            << CommandOutput(opacity);
        return QGuiApplication::primaryScreen()->grabWindow(popup.Id).toImage();
    }

    // The popup for `record` as the program's window would raise it for
    // this offer, rendered here with the same code.
    QImage ExpectedPopup(const TPopupInfoRec& record) {
        TTrayPopupRequest request;
        request.Info = record;
        request.Text = [](const std::string& text) {
            QString expanded = QString::fromStdString(text);
            expanded.replace(QStringLiteral("[PROD_TITLE]"), QString::fromUtf8(kProductTitle));
            expanded.replace(QStringLiteral("[PROD_VERSION]"),
                             QString::fromUtf8(kOfferedVersionText));
            return expanded;
        };
        TfTrayPopupWindow* popup = ShowTrayPopup(request);
        QImage image = popup->grab().toImage();
        CloseTrayPopup();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return image;
    }

    // Reads the popup's heading and text the only way the X server offers:
    // as drawn. The shown popup must match the one expected far better than
    // the other announcement.
    void ExpectPopupShows(const QImage& shown, const TPopupInfoRec& expected,
                          const TPopupInfoRec& other) {
        const QImage want = ExpectedPopup(expected);
        const QImage notWanted = ExpectedPopup(other);
        ASSERT_EQ(shown.size(), want.size());
        const int offWant = DifferentPixels(shown, want);
        const int offOther = DifferentPixels(shown, notWanted);
        EXPECT_LT(offWant * 4, offOther)
            << "expected popup \"" << expected.PopupCaption << "\": " << offWant
            << " pixels off, the other " << offOther;
        EXPECT_LT(offWant, shown.width() * shown.height() / 50) << offWant << " pixels off";
    }

    std::optional<std::uint8_t> StoredStatus() const {
        const auto key =
            platform::TRegistryStore(FConfig / "vantrel" / "user.reg").ReadKey("Vantrel");
        if (!key)
            return std::nullopt;
        const platform::TRegValue* value = key->Find("Update Status");
        if (value == nullptr || value->Data.size() != 1)
            return std::nullopt;
        return value->Data[0];
    }

    fs::path TempFile() const { return FCache / "vantrel" / (std::string(kPackageName) + ".tmp"); }
    fs::path FinalFile() const { return FCache / "vantrel" / kPackageName; }

    TempDir FRoot;
    fs::path FHome = FRoot / "home", FConfig = FRoot / "config", FCache = FRoot / "cache",
             FRuntime = FRoot / "runtime", FWork = FRoot / "work", FServed = FRoot / "served",
             FTools = FRoot / "tools", FOpened = FRoot / "opened.txt";
    std::unique_ptr<TDesktopSession> FDesktop;
    std::unique_ptr<TXDesktop> FX;
    std::unique_ptr<QApplication> FApp;
    std::unique_ptr<NginxServer> FServer;
    std::vector<std::uint8_t> FPackage;
    std::vector<std::unique_ptr<TChildProcess>> FProcesses;
    int FArgc = 3;
    char FArg0[16] = "desktop_test", FArg1[16] = "-platform", FArg2[8] = "xcb";
    char* FArgv[4] = {FArg0, FArg1, FArg2, nullptr};
};

TEST_F(MainWindowDesktopTest, AnOfferShowsTrayAndPopupAndASecondStartShowsTheWindow) {
    TChildProcess& first = Start();
    EXPECT_TRUE(WaitFor([&] { return TrayIcon(first.Pid()).has_value(); }, kWindowTimeoutMs))
        << "no icon of the program in the panel's tray" << Output(first);
    std::optional<TXWindow> popup;
    ASSERT_TRUE(WaitFor([&] { return (popup = Popup(first.Pid())).has_value(); }, kWindowTimeoutMs))
        << "no popup" << Output(first);
    ExpectPopupShows(GrabPopup(*popup), PopupNewVersionAvailable, PopupNewVersionDownloaded);
    // Without "/showinfo" the window itself stays hidden.
    EXPECT_FALSE(MainWindow(first.Pid()));

    TChildProcess& second = Start();
    EXPECT_EQ(second.Wait(kWindowTimeoutMs), 0) << second.Err();
    const std::optional<TXWindow> main = WaitForMainWindow(first.Pid());
    ASSERT_TRUE(main) << "the second start did not bring the main window up" << Output(first);
    EXPECT_EQ(main->Name, "Vantrel");
}

TEST_F(MainWindowDesktopTest, AKilledDownloadResumesByItselfAndInstalls) {
    // ---- offered, then "Start download" -----------------------------------
    TChildProcess& first = Start({"/showinfo"});
    std::optional<TXWindow> main = WaitForMainWindow(first.Pid());
    ASSERT_TRUE(main) << Output(first);
    ClickCommandButton(*main);
    ASSERT_TRUE(WaitFor([&] { return SizeOf(TempFile()) >= kPackageSize / 4; }, kTransferTimeoutMs))
        << "the partial file " << TempFile() << " did not fill: " << SizeOf(TempFile()) << " bytes";
    const std::optional<TXWindow> downloading = FX->Describe(main->Id);
    ASSERT_TRUE(downloading);
    EXPECT_TRUE(std::regex_match(downloading->Name, std::regex("Vantrel - Downloading [0-9]+%")))
        << downloading->Name;
    EXPECT_EQ(StoredStatus(), 1) << "a started download must be stored at once";

    // ---- killed half-way ----------------------------------------------------
    kill(first.Pid(), SIGKILL);
    EXPECT_EQ(first.Wait(kWindowTimeoutMs), 128 + SIGKILL);
    const std::uintmax_t kept = SizeOf(TempFile());
    ASSERT_GT(kept, 0u);
    ASSERT_LT(kept, kPackageSize) << "the transfer ended before it could be killed";

    // ---- the next plain start resumes without a popup ---------------------
    TChildProcess& resumed = Start();
    bool popupWhileDownloading = false;
    const auto completed = [&] { return Text(FServer->DownloadCompleteLog()).size() > 0; };
    EXPECT_TRUE(WaitFor(
        [&] {
            if (completed())
                return true;
            // The downloaded state raises its popup just before it sends the
            // notice, so only a popup over an incomplete file is wrong.
            if (Popup(resumed.Pid()) && SizeOf(TempFile()) < kPackageSize)
                popupWhileDownloading = true;
            return false;
        },
        kTransferTimeoutMs, {FServer->RunDir() / "logs"}))
        << "no completion notice; partial file at " << SizeOf(TempFile()) << " bytes"
        << Output(resumed);
    EXPECT_FALSE(popupWhileDownloading) << "a resumed download raised a popup";
    // It ran in the tray all along; the window itself was never shown.
    EXPECT_TRUE(TrayIcon(resumed.Pid()));
    EXPECT_FALSE(MainWindow(resumed.Pid()));
    EXPECT_NE(
        Text(FServer->DownloadCompleteLog())
            .find("ProjectID=Orbisk4Outlook&DownloadedVersion=" + std::to_string(kOfferedVersion)),
        std::string::npos)
        << Text(FServer->DownloadCompleteLog());

    const std::vector<TPackageRequest> requests = PackageRequests(FServer->AccessLog());
    ASSERT_EQ(requests.size(), 2u) << Text(FServer->AccessLog());
    EXPECT_EQ(requests[0].Range, "-");
    EXPECT_EQ(requests[1].Status, 206);
    EXPECT_EQ(requests[1].Range, "bytes=" + std::to_string(kept) + "-");
    EXPECT_EQ(requests[1].BodyBytes, kPackageSize - kept) << "more than the missing bytes sent";
    EXPECT_EQ(ReadFile(TempFile()), FPackage);

    // ---- downloaded: "Ready to install new version!" ------------------------
    std::optional<TXWindow> popup;
    ASSERT_TRUE(
        WaitFor([&] { return (popup = Popup(resumed.Pid())).has_value(); }, kWindowTimeoutMs))
        << "no popup for the downloaded package" << Output(resumed);
    ExpectPopupShows(GrabPopup(*popup), PopupNewVersionDownloaded, PopupNewVersionAvailable);
    EXPECT_EQ(StoredStatus(), 2) << "a completed download must be stored at once";

    // ---- "Start installation" -----------------------------------------------
    TChildProcess& wake = Start();
    EXPECT_EQ(wake.Wait(kWindowTimeoutMs), 0) << wake.Err();
    main = WaitForMainWindow(resumed.Pid());
    ASSERT_TRUE(main) << "the second start did not bring the main window up" << Output(resumed);
    EXPECT_EQ(main->Name, "Vantrel");
    ClickCommandButton(*main);
    EXPECT_EQ(resumed.Wait(kWindowTimeoutMs), 0) << resumed.Err();
    // The build tree's program has no key: it says so as it hands over.
    EXPECT_NE(resumed.Err().find("goes to the installer unverified"), std::string::npos)
        << resumed.Err();

    EXPECT_FALSE(fs::exists(TempFile()));
    ASSERT_TRUE(fs::exists(FinalFile()));
    EXPECT_EQ(ReadFile(FinalFile()), FPackage);
    const std::string opened = Text(FOpened);
    EXPECT_NE(opened.find(FinalFile().string()), std::string::npos)
        << "xdg-open was asked for: " << opened;
    EXPECT_NE(Text(FConfig / "vantrel" / "user.reg").find("\"Update Status\"=hex:00"),
              std::string::npos)
        << Text(FConfig / "vantrel" / "user.reg");
}

// Minimised with the window manager's own command, the window must come back
// by each wake route: mapped, and no longer iconic.
TEST_F(MainWindowDesktopTest, AMinimisedWindowComesBackByEveryWakeRoute) {
    TChildProcess& first = Start({"/showinfo"});
    const std::optional<TXWindow> main = WaitForMainWindow(first.Pid());
    ASSERT_TRUE(main) << Output(first);
    std::optional<TXWindow> tray;
    ASSERT_TRUE(
        WaitFor([&] { return (tray = TrayIcon(first.Pid())).has_value(); }, kWindowTimeoutMs))
        << Output(first);
    const auto viewableWindows = [&] {
        std::vector<unsigned long> ids;
        for (const TXWindow& window : FX->WindowsOf(first.Pid()))
            if (window.Viewable)
                ids.push_back(window.Id);
        return ids;
    };
    const std::vector<std::pair<std::string, std::function<void()>>> routes = {
        {"a second start", [&] { EXPECT_EQ(Start().Wait(kWindowTimeoutMs), 0); }},
        {"the tray icon's double-click",
         [&] {
             FX->Xdo("mousemove --window " + HexId(tray->Id) +
                     " 8 8 click --repeat 2 --delay 120 1");
         }},
        {"the tray menu's \"Show Vantrel\"", [&] {
             const std::vector<unsigned long> before = viewableWindows();
             FX->Xdo("mousemove --window " + HexId(tray->Id) + " 8 8 click 3");
             std::optional<TXWindow> menu;
             ASSERT_TRUE(WaitFor(
                 [&] {
                     for (const TXWindow& window : FX->WindowsOf(first.Pid()))
                         if (window.Viewable &&
                             std::find(before.begin(), before.end(), window.Id) == before.end())
                             menu = window;
                     return menu.has_value();
                 },
                 kWindowTimeoutMs))
                 << "no tray menu";
             ExpectSeparatorWithoutText(*menu);
             FX->Click(menu->Id, menu->Width / 2, 10);
         }}};
    for (const auto& [route, wake] : routes) {
        FX->Xdo("windowminimize " + HexId(main->Id));
        ASSERT_TRUE(WaitFor([&] { return FX->Iconic(main->Id); }, kWindowTimeoutMs))
            << "the window manager did not minimise the window before " << route;
        wake();
        EXPECT_TRUE(WaitFor(
            [&] {
                const std::optional<TXWindow> shown = FX->Describe(main->Id);
                return shown && shown->Viewable && !FX->Iconic(main->Id);
            },
            kWindowTimeoutMs))
            << route << " left the window iconic: " << FX->Property(main->Id, "WM_STATE");
    }
}

TEST_F(MainWindowDesktopTest, EnterFromTheModeListHidesTheWindow) {
    TChildProcess& first = Start({"/showinfo"});
    const std::optional<TXWindow> main = WaitForMainWindow(first.Pid());
    ASSERT_TRUE(main) << Output(first);
    // A click gives the list the focus and opens it; Escape only closes it.
    FX->Click(main->Id, kBorder + kModeListLeft + 20, kBorder + kModeListTop + 10);
    FX->Xdo("key --delay 300 Escape Return");
    EXPECT_TRUE(WaitFor([&] { return !MainWindow(first.Pid()); }, kWindowTimeoutMs))
        << "Enter did not hide the window";
    EXPECT_TRUE(TrayIcon(first.Pid())) << "the program should stay in the tray";
}

TEST_F(MainWindowDesktopTest, TheErrorDialogIsPlacedInTheScreensCentreByTheProgram) {
    TChildProcess& run =
        Start({"/showinfo"}, "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()));
    std::optional<TXWindow> dialog;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const TXWindow& window : FX->WindowsOf(run.Pid()))
                if (window.Viewable && window.Width == 414 + 12 && window.Height == 210 + 12)
                    dialog = window;
            return dialog.has_value();
        },
        kWindowTimeoutMs))
        << "no error dialog" << Output(run);
    const std::string hints = FX->Property(dialog->Id, "WM_NORMAL_HINTS");
    EXPECT_NE(hints.find("specified location"), std::string::npos) << hints;
    // Centred up to the window manager's frame, which the program cannot know.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(dialog->X + dialog->Width / 2.0, area.center().x(), 16);
    EXPECT_NEAR(dialog->Y + dialog->Height / 2.0, area.center().y(), 32);
}

}  // namespace
}  // namespace vantrel::test
