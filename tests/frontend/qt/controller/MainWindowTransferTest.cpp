// The main window driving real transfers from the loopback server: fresh
// downloads, resumes, pauses, the close during a transfer, the completion
// notice and the refused package address.
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "core/UpdateState.h"
#include "frontend/qt/controls/LabelProgressBar.h"
#include "tests/frontend/qt/controller/MainWindowFixture.h"

namespace vantrel::test {
namespace {

struct TSeenProgress {
    std::uint32_t Progress = 0;
    std::uint32_t Max = 0;
    QString Caption;
    std::size_t Requests = 0;
};

class MainWindowTransfer : public TMainWindowTest {
protected:
    // Creates the window and listens to its progress events from then on.
    TfVantrelMain& CreateWatched() {
        TfVantrelMain& w = Create();
        Watch(w);
        return w;
    }
    void Watch(TfVantrelMain& w) {
        InitialCaption = w.windowTitle();
        auto original = w.IEDownload->OnProgress;
        w.IEDownload->OnProgress = [this, &w, original](
                                       TBSCB* sender, std::uint32_t progress, std::uint32_t max,
                                       std::uint32_t status, const std::string& text,
                                       const std::string& elapsed, const std::string& speed,
                                       const std::string& estimate) {
            original(sender, progress, max, status, text, elapsed, speed, estimate);
            if (status == 5)
                Seen.push_back({progress, max, w.windowTitle(), w.IEDownload->RequestCount()});
        };
    }
    bool WaitForProgress() {
        const std::size_t before = Seen.size();
        return WaitUntil([&] { return Seen.size() > before; });
    }
    std::size_t MostRequestsAtOnce() const {
        std::size_t most = 0;
        for (const TSeenProgress& seen : Seen)
            most = std::max(most, seen.Requests);
        return most;
    }
    void UseSlowServer() { ProjectInfo.DownloadURL = Server.URL("/slow"); }
    std::vector<RecordedRequest> PackageRequests(const char* line = "/fast") const {
        return Server.Requests(std::string(line) + "/setup.bin");
    }

    QString InitialCaption;
    std::vector<TSeenProgress> Seen;
};

const QRegularExpression kDownloadingCaption(QStringLiteral("^Vantrel - Downloading \\d+%$"));

TEST_F(MainWindowTransfer, FreshDownloadDropsTheOldPartialFileAndEndsDownloaded) {
    WriteFile(Partial(), std::string("left from an earlier offer"));
    TfVantrelMain& w = CreateWatched();
    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    // The caption is set before the transfer starts: paused, until progress.
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantrel - Paused"));
    EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Pause"));
    EXPECT_EQ(w.Controller().btnCommandOnClick(), TMainAction::Pause);
    EXPECT_TRUE(w.lbCommandLabel->isHidden());
    EXPECT_FALSE(w.ProgressBar->isHidden());
    EXPECT_EQ(w.ProgressBar->PercentType(), TLabelProgressBar::showPercent);
    EXPECT_TRUE(fTrayPopupWindow.isNull());
    EXPECT_EQ(w.TrayHint(),
              QStringLiteral("Vantrel\r\nOrbisk\r\nDownloading version 4.0.0.2\r\nDownloaded 0%"));
    EXPECT_FALSE(w.TransferIdle());
    // Saved at once, so that an ended program resumes.
    EXPECT_EQ(SavedState().Status, StatusDownloading);
    EXPECT_EQ(SavedState().DownloadingVersion, kOfferedVersion);

    ASSERT_TRUE(WaitForStatus(StatusDownloaded));
    const auto requests = PackageRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Range"), "");
    EXPECT_EQ(ReadFileText(Partial()), Server.Package());
    ASSERT_FALSE(Seen.empty());
    EXPECT_TRUE(kDownloadingCaption.match(Seen.front().Caption).hasMatch())
        << Seen.front().Caption.toStdString();
    EXPECT_EQ(Seen.back().Max, kPackageBytes);

    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantrel"));
    EXPECT_EQ(w.ProgressBar->Position(), static_cast<int>(kPackageBytes));
    EXPECT_TRUE(w.ProgressBar->isHidden());
    EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Start installation"));
    EXPECT_EQ(w.lbNewVersion->text(), QStringLiteral("New version downloaded successfully!"));
    ASSERT_FALSE(fTrayPopupWindow.isNull());
    EXPECT_EQ(fTrayPopupWindow->lbPopupCaption->text(),
              QStringLiteral("Ready to install new version!"));
    EXPECT_EQ(UpdateState.DownloadingVersion, 0u);
    const auto notices = Server.Requests(kNoticePath);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].target,
              std::string(kNoticePath) + "?ProjectID=Orbisk4Outlook&DownloadedVersion=67108866");
    EXPECT_EQ(SavedState().Status, StatusDownloaded);
}

TEST_F(MainWindowTransfer, InterruptedDownloadResumesAtCreationFromTheBytesOnDisk) {
    WriteFile(Partial(), Server.Package().substr(0, 1000));
    UpdateState.Status = StatusDownloading;
    UpdateState.DownloadingVersion = kOfferedVersion;
    TfVantrelMain& w = CreateWatched();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(fTrayPopupWindow.isNull());
    EXPECT_EQ(InitialCaption, QStringLiteral("Vantrel - Paused"));
    EXPECT_TRUE(w.TrayHint().startsWith(
        QStringLiteral("Vantrel\r\nOrbisk\r\nDownloading version 4.0.0.2\r\nDownloaded ")));

    ASSERT_TRUE(WaitForStatus(StatusDownloaded));
    const auto requests = PackageRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Range"), "bytes=1000-");
    ASSERT_FALSE(Seen.empty());
    // The whole package's progress, not just this transfer's.
    EXPECT_EQ(Seen.front().Max, kPackageBytes);
    EXPECT_GT(Seen.front().Progress, 1000u);
    EXPECT_EQ(ReadFileText(Partial()), Server.Package());
}

TEST_F(MainWindowTransfer, DownloadOfAnUnknownVersionResumesToo) {
    WriteFile(Partial(), Server.Package().substr(0, 1000));
    UpdateState.Status = StatusDownloading;
    UpdateState.DownloadingVersion = 0;
    Create();
    ASSERT_TRUE(WaitForStatus(StatusDownloaded));
    EXPECT_EQ(PackageRequests().at(0).Header("Range"), "bytes=1000-");
}

TEST_F(MainWindowTransfer, PartialDownloadOfAnOlderOfferIsDiscardedAtStart) {
    WriteFile(Partial(), Server.Package().substr(0, 1000));
    UpdateState.Status = StatusDownloading;
    UpdateState.DownloadingVersion = kInstalledVersion;
    TfVantrelMain& w = Create();
    EXPECT_FALSE(std::filesystem::exists(Partial()));
    EXPECT_EQ(UpdateState.Status, StatusNone);
    EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Start download"));
    ASSERT_FALSE(fTrayPopupWindow.isNull());
    EXPECT_EQ(fTrayPopupWindow->lbPopupCaption->text(),
              QStringLiteral("New version is available!"));
    EXPECT_TRUE(PackageRequests().empty());
}

TEST_F(MainWindowTransfer, CompleteFileAnswered416EntersTheDownloadedStateTwice) {
    WriteFile(Partial(), Server.Package());
    UpdateState.Status = StatusDownloading;
    UpdateState.DownloadingVersion = kOfferedVersion;
    TfVantrelMain& w = Create();
    ASSERT_TRUE(WaitForStatus(StatusDownloaded));
    ASSERT_EQ(PackageRequests().size(), 1u);
    EXPECT_EQ(PackageRequests()[0].Header("Range"), "bytes=200000-");
    // Each of the component's two reports enters the state and sends the notice.
    EXPECT_EQ(Notices(), 2u);
    EXPECT_FALSE(fTrayPopupWindow.isNull());
    EXPECT_EQ(w.Controller().btnCommandOnClick(), TMainAction::Install);
    EXPECT_EQ(ReadFileText(Partial()), Server.Package());
}

TEST_F(MainWindowTransfer, PauseAndResumeContinueTheSameFile) {
    UseSlowServer();
    TfVantrelMain& w = CreateWatched();
    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    ASSERT_TRUE(WaitForProgress());

    // Answered 200: the abort pauses once more, to the same effect.
    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Resume"));
    EXPECT_EQ(w.Controller().btnCommandOnClick(), TMainAction::Download);
    EXPECT_EQ(w.ProgressBar->PercentType(), TLabelProgressBar::showStatic);
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantrel - Paused"));
    EXPECT_TRUE(w.TrayHint().startsWith(
        QStringLiteral("Vantrel\r\nOrbisk\r\nDownloading version 4.0.0.2\r\nPaused (")));
    EXPECT_EQ(UpdateState.Status, StatusDownloading);
    EXPECT_EQ(SavedState().Status, StatusDownloading);
    const auto firstPart = std::filesystem::file_size(Partial());
    EXPECT_GT(firstPart, 0u);
    EXPECT_LT(firstPart, kPackageBytes);

    // Answered 206: the abort changes nothing, and the window stays paused.
    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantrel - Paused"));
    ASSERT_TRUE(WaitForProgress());
    EXPECT_TRUE(kDownloadingCaption.match(w.windowTitle()).hasMatch());
    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantrel - Paused"));
    EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Resume"));

    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    ASSERT_TRUE(WaitForStatus(StatusDownloaded));
    const auto requests = PackageRequests("/slow");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Header("Range"), "");
    EXPECT_EQ(requests[1].Header("Range"), "bytes=" + std::to_string(firstPart) + "-");
    EXPECT_NE(requests[2].Header("Range"), "");
    EXPECT_EQ(ReadFileText(Partial()), Server.Package());
}

TEST_F(MainWindowTransfer, QuitDuringATransferWaitsForTheAbortAndKeepsTheDownload) {
    UseSlowServer();
    TfVantrelMain& w = CreateWatched();
    w.Controller().ShowMainWindow();
    QSignalSpy closed(&w, &TfVantrelMain::Closed);
    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    ASSERT_TRUE(WaitForProgress());
    w.miTrayQuit->trigger();
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.CloseRequested());

    ASSERT_TRUE(WaitUntil([&] { return closed.count() == 1; }));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(UpdateState.Status, StatusDownloading);
    EXPECT_EQ(UpdateState.DownloadingVersion, kOfferedVersion);
    EXPECT_EQ(SavedState().Status, StatusDownloading);
    EXPECT_LT(std::filesystem::file_size(Partial()), kPackageBytes);
}

TEST_F(MainWindowTransfer, TemporaryDirectoryOthersCouldPlantFilesInIsNeverUsed) {
    const std::filesystem::path elsewhere = Home / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    std::filesystem::remove(CacheFile(""));
    std::filesystem::create_directory_symlink(elsewhere, Home / "cache" / "vantrel");
    WriteFile(elsewhere / "setup.bin.tmp", std::string("planted"));
    UpdateState.Status = StatusDownloading;
    UpdateState.DownloadingVersion = kInstalledVersion;  // stale: would be deleted
    TMessageBoxAnswerer answerer;
    TfVantrelMain& w = Create();
    EXPECT_EQ(ReadFileText(elsewhere / "setup.bin.tmp"), "planted");
    QTest::mouseClick(w.btnCommand, Qt::LeftButton);
    EXPECT_EQ(answerer.Texts.size(), 1u);
    EXPECT_TRUE(PackageRequests().empty());
    EXPECT_EQ(w.btnCommand->text(), QStringLiteral("Resume"));
    EXPECT_EQ(ReadFileText(elsewhere / "setup.bin.tmp"), "planted");
}

}  // namespace
}  // namespace vantrel::test
