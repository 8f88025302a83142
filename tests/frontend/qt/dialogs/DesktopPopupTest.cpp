// The popup on a real X desktop (Xvfb, openbox, a tint2 panel at the bottom
// edge): its bottom edge must touch the panel's top edge and its right edge
// the screen's right edge, as the X server itself reports them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QScreen>
#include <QTest>

#include <cstdlib>
#include <memory>

#include "core/PopupRecords.h"
#include "frontend/qt/dialogs/PopupWin.h"
#include "tests/frontend/qt/dialogs/DialogTestSupport.h"
#include "tests/support/DesktopSession.h"

// The X platform opens a D-Bus connection whose buffer libdbus keeps for
// the life of the process; the leak checker is told that it is not ours.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the sanitizer runtime looks this name up
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

namespace vantrel::test {
namespace {

class DesktopPopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::string> missing = TDesktopSession::MissingTools();
        if (!missing.empty()) {
            std::string names;
            for (const std::string& tool : missing)
                names += " " + tool;
            GTEST_SKIP() << "no desktop to test on; missing:" << names
                         << " (scripts/bootstrap installs them)";
        }
        FDesktop = std::make_unique<TDesktopSession>();
        setenv("DISPLAY", FDesktop->Display().c_str(), 1);
        setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
        FApp = std::make_unique<QApplication>(FArgc, FArgv);
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    }

    void TearDown() override {
        CloseTrayPopup();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        FApp.reset();  // before the X server goes
        FDesktop.reset();
    }

    std::string WinInfo(const std::string& args) const {
        return CommandOutput("DISPLAY=" + FDesktop->Display() + " xwininfo " + args + " 2>&1");
    }

    std::unique_ptr<TDesktopSession> FDesktop;
    std::unique_ptr<QApplication> FApp;
    int FArgc = 3;
    char FArg0[16] = "desktop_test", FArg1[16] = "-platform", FArg2[8] = "xcb";
    char* FArgv[4] = {FArg0, FArg1, FArg2, nullptr};
};

TEST_F(DesktopPopupTest, ThePopupSitsOnThePanelAtTheScreensRightEdge) {
    const std::string panel = WinInfo("-name tint2");
    const std::optional<int> panelTop = WinInfoValue(panel, "Absolute upper-left Y");
    ASSERT_TRUE(panelTop) << panel;
    const std::string root = WinInfo("-root");
    const std::optional<int> screenWidth = WinInfoValue(root, "Width");
    ASSERT_TRUE(screenWidth) << root;
    ASSERT_TRUE(WaitUntil([] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen->availableGeometry() != screen->geometry();
    })) << "Qt never saw the panel's reserved edge";

    TTrayPopupRequest request;
    request.Info = PopupNewVersionAvailable;
    request.Text = [](const std::string& text) { return QString::fromStdString(text); };
    TfTrayPopupWindow* popup = ShowTrayPopup(request);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));

    const std::string id = "-id " + std::to_string(popup->winId());
    std::string report;
    const auto placed = [&] {
        report = WinInfo(id);
        const auto x = WinInfoValue(report, "Absolute upper-left X");
        const auto y = WinInfoValue(report, "Absolute upper-left Y");
        const auto w = WinInfoValue(report, "Width");
        const auto h = WinInfoValue(report, "Height");
        return x && y && w && h && *y + *h == *panelTop && *x + *w == *screenWidth;
    };
    EXPECT_TRUE(WaitUntil(placed, 20000)) << report << "panel top " << *panelTop;
    // The 211 by 122 client inside the popup's own frame; the window
    // manager adds none.
    EXPECT_EQ(WinInfoValue(report, "Width"), 211 + 6);
    EXPECT_EQ(WinInfoValue(report, "Height"), 122 + 6);
}

TEST_F(DesktopPopupTest, TheFadeReachesTheXServer) {
    TTrayPopupRequest request;
    request.Info = PopupNewVersionAvailable;
    request.Text = [](const std::string& text) { return QString::fromStdString(text); };
    TfTrayPopupWindow* popup = ShowTrayPopup(request);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));

    // The server's opacity property must follow the fade to fully opaque
    // (0xFFFFFFFF), not stay at the first step's value.
    const std::string command = "DISPLAY=" + FDesktop->Display() + " xprop -id " +
                                std::to_string(popup->winId()) + " _NET_WM_WINDOW_OPACITY 2>&1";
    std::string property;
    const auto opaque = [&] {
        property = CommandOutput(command);
        return property.find("= 4294967295") != std::string::npos;
    };
    EXPECT_TRUE(WaitUntil(opaque, 20000)) << property;
}

TEST_F(DesktopPopupTest, TheWindowManagerLeavesThePopupOutOfTaskbarAndPager) {
    TTrayPopupRequest request;
    request.Info = PopupNewVersionAvailable;
    request.Text = [](const std::string& text) { return QString::fromStdString(text); };
    TfTrayPopupWindow* popup = ShowTrayPopup(request);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));

    // The state as the window manager keeps it once it has managed the window.
    const std::string command = "DISPLAY=" + FDesktop->Display() + " xprop -id " +
                                std::to_string(popup->winId()) + " _NET_WM_STATE 2>&1";
    std::string property;
    const auto skipped = [&] {
        property = CommandOutput(command);
        return property.find("_NET_WM_STATE_SKIP_TASKBAR") != std::string::npos &&
               property.find("_NET_WM_STATE_SKIP_PAGER") != std::string::npos;
    };
    EXPECT_TRUE(WaitUntil(skipped, 20000)) << property;
    // Qt's own states survive beside them.
    EXPECT_NE(property.find("_NET_WM_STATE_ABOVE"), std::string::npos) << property;
}

}  // namespace
}  // namespace vantrel::test
