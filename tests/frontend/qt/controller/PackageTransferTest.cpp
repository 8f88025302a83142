// The package transfer on the Qt front end: the component as the window
// configures it, against a loopback server that honours byte ranges; the
// completion notice as the server receives it; and the window core's
// web-address rule against the QUrl rule the window used before.
#include <gtest/gtest.h>

#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/ProductVersion.h"
#include "core/iProcs.h"
#include "platform/InternetState.h"
#include "tests/frontend/qt/download/FaultServer.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"
#include "tests/window/controller/OfferedProduct.h"
#include "window/controller/PackageNames.h"
#include "window/controller/PackageTransfer.h"
#include "window/controller/WebAddress.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using platform::E_ABORT;
using platform::S_OK;
using test::kPackageSize;
using test::OfferedProduct;
using test::ReadFileText;
using test::WriteFile;

// The harness sets up the window's settings itself: undone here, so that
// what the requests show comes from ConfigurePackageDownload alone.
void ConfigureFromScratch(test::TDownloadRun& run) {
    run.D.TimeOut = 0;
    run.D.SetOptions({});
    run.D.UserAgent.clear();
    ConfigurePackageDownload(run.D);
}

// The window's temporary directory: a scratch directory with its delimiter.
std::string TempDirText(const test::TempDir& dir) {
    return dir.path().string() + "/";
}

class TransferTest : public ::testing::Test {
protected:
    test::TFaultServer Server;
    test::TempDir Dir;
    // FaultServer serves the package at /pkg, and /big for one long enough
    // to be paused.
    OfferedProduct Offer{Server.URL(""), "pkg", PackVersion(4, 0, 0, 2)};
    test::TDownloadRun Run;

    void SetUp() override { ConfigureFromScratch(Run); }
    fs::path Temporary() const { return TemporaryPackageFile(TempDirText(Dir)); }
    bool Download() { return Run.Run(PackageURL(), Temporary().string()); }
};

TEST_F(TransferTest, NamesAreBuiltFromTheOfferAndTheDirectory) {
    EXPECT_EQ(PackageURL(), Server.URL("/pkg"));
    EXPECT_EQ(TemporaryPackageFile("/tmp/c/"), "/tmp/c/pkg.tmp");
    EXPECT_EQ(FinalPackageFile("/tmp/c/"), "/tmp/c/pkg");
}

TEST_F(TransferTest, FreshDownloadSendsTheFixedHeadersAndNoRange) {
    WriteFile(Temporary(), std::string(1000, 'x'));
    fs::remove(Temporary());  // what a fresh start does with an old part
    ASSERT_TRUE(Download());

    const auto requests = Server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Range"), "");
    EXPECT_EQ(requests[0].Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Win32)");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requests[0].Header("Pragma"), "no-cache");
    EXPECT_EQ(requests[0].Header("Cache-Control"), "no-cache");
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(CompletionActionFor(Run.Completions[0].Result, Run.Completions[0].ResponseCode),
              TCompletionAction::Downloaded);
    EXPECT_EQ(ReadFileText(Temporary()), Server.Package());
}

TEST_F(TransferTest, ResumeCountsTheBytesOnDiskInEveryProgress) {
    WriteFile(Temporary(), Server.Package().substr(0, 1000));
    ASSERT_TRUE(Download());

    EXPECT_EQ(Server.Requests().at(0).Header("Range"), "bytes=1000-");
    const test::TProgressRecord* first = Run.FirstDownloading();
    ASSERT_NE(first, nullptr);
    EXPECT_GT(first->Progress, 1000u);
    EXPECT_LE(first->Progress, kPackageSize);
    EXPECT_EQ(first->ProgressMax, kPackageSize);  // 1000 + what the 206 announced
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].ResponseCode, 206u);
    EXPECT_EQ(CompletionActionFor(Run.Completions[0].Result, 206), TCompletionAction::Downloaded);
    EXPECT_EQ(ReadFileText(Temporary()), Server.Package());
}

// The range past the end is refused; the component reports that end twice
// and both reports must count as downloaded, the file left as it was.
TEST_F(TransferTest, CompleteFileAnswered416IsDownloadedTwice) {
    WriteFile(Temporary(), Server.Package());
    ASSERT_TRUE(Download());

    ASSERT_EQ(Run.Completions.size(), 2u);
    for (const test::TCompletion& completion : Run.Completions) {
        EXPECT_EQ(completion.Result, E_ABORT);
        EXPECT_EQ(completion.ResponseCode, 416u);
        EXPECT_EQ(CompletionActionFor(completion.Result, completion.ResponseCode),
                  TCompletionAction::Downloaded);
    }
    EXPECT_EQ(ReadFileText(Temporary()), Server.Package());
}

// A pause cancels the transfer: answered 206 its end changes nothing, answered
// 200 it pauses (again). Either way the part on disk stays for the resume.
TEST_F(TransferTest, PausedTransferEndsByItsResponseCode) {
    OfferedProduct big(Server.URL(""), "big", PackVersion(4, 0, 0, 2));
    Run.CancelAtProgress = 1;
    ASSERT_TRUE(Download());
    ASSERT_FALSE(Run.Completions.empty());
    EXPECT_EQ(Run.Completions[0].Result, E_ABORT);
    EXPECT_EQ(Run.Completions[0].ResponseCode, 200u);
    EXPECT_EQ(CompletionActionFor(E_ABORT, 200), TCompletionAction::Pause);
    const auto part = fs::file_size(Temporary());
    ASSERT_GT(part, 0u);
    ASSERT_LT(part, test::kBigSize);

    test::TDownloadRun resumed;
    ConfigureFromScratch(resumed);
    resumed.CancelAtProgress = static_cast<std::uint32_t>(part) + 1;
    ASSERT_TRUE(resumed.Run(PackageURL(), Temporary().string()));
    ASSERT_FALSE(resumed.Completions.empty());
    EXPECT_EQ(resumed.Completions[0].Result, E_ABORT);
    EXPECT_EQ(resumed.Completions[0].ResponseCode, 206u);
    EXPECT_EQ(CompletionActionFor(E_ABORT, 206), TCompletionAction::Nothing);
    EXPECT_GE(fs::file_size(Temporary()), part);
}

TEST(CompletionActionFor, EveryOtherEndPauses) {
    EXPECT_EQ(CompletionActionFor(S_OK, 0), TCompletionAction::Downloaded);
    EXPECT_EQ(CompletionActionFor(S_OK, 500), TCompletionAction::Downloaded);
    EXPECT_EQ(CompletionActionFor(E_ABORT, 404), TCompletionAction::Pause);
    EXPECT_EQ(CompletionActionFor(E_ABORT, 0), TCompletionAction::Pause);
    EXPECT_EQ(CompletionActionFor(platform::INET_E_CONNECTION_TIMEOUT, 206),
              TCompletionAction::Pause);
    EXPECT_EQ(CompletionActionFor(platform::INET_E_DOWNLOAD_FAILURE, 416),
              TCompletionAction::Pause);
    EXPECT_EQ(CompletionActionFor(platform::S_FALSE, 200), TCompletionAction::Pause);
}

// The notice ------------------------------------------------------------------

class NoticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        Server.Routes().Get(kPath, [](const httplib::Request&, httplib::Response& s) {
            s.set_content("OK", "text/plain");
        });
        Server.Start();
        setenv("VANTREL_SERVER", (Server.URL() + "/").c_str(), 1);
        platform::SetInternetConnectedOverride(true);
        ProjectID = "Orbisk4Outlook";
    }
    void TearDown() override {
        unsetenv("VANTREL_SERVER");
        platform::SetInternetConnectedOverride(std::nullopt);
    }

    static constexpr const char* kPath = "/cgi-bin/vantrel/VantrelSrv4.dll/DownloadComplete";
    OfferedProduct Offer{"http://unused.invalid", "setup.exe", 0};
    test::LoopbackServer Server;
};

TEST_F(NoticeTest, ServerReceivesProjectAndSignedVersion) {
    AvailableProduct.Version = PackVersion(4, 0, 0, 2);
    NotifyDownloadComplete();
    AvailableProduct.Version = PackVersion(200, 0, 0, 1);
    NotifyDownloadComplete();

    const auto requests = Server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target,
              std::string(kPath) + "?ProjectID=Orbisk4Outlook&DownloadedVersion=67108866");
    // 0xC8000001 read as a signed 32-bit number.
    EXPECT_EQ(requests[1].target,
              std::string(kPath) + "?ProjectID=Orbisk4Outlook&DownloadedVersion=-939524095");
}

TEST_F(NoticeTest, UnreachableServerIsIgnored) {
    setenv("VANTREL_SERVER",
           ("http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort())).c_str(), 1);
    EXPECT_NO_THROW(NotifyDownloadComplete());
    EXPECT_TRUE(Server.Requests().empty());
}

// The web-address rule ------------------------------------------------------------

// The rule the window applied through QUrl before it had one of its own; the
// window core's must give the same answer on what servers send.
bool QtWebAddress(const std::string& address) {
    const QUrl url(QString::fromStdString(address));
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

TEST(WebAddress, AgreesWithQUrl) {
    for (const char* address : {"http://downloads.example/setup.exe",
                                "HTTPS://downloads.example",
                                "https://user:pw@downloads.example:8443/a?b#c",
                                "http://[::1]:8080/x",
                                "http://b\xc3\xbc"
                                "cher.example/",
                                "http://downloads.example/a b",
                                "ftp://downloads.example/",
                                "file:///etc/passwd",
                                "javascript:alert(1)",
                                "http:/setup.exe",
                                "http://",
                                "http://:80/",
                                " http://downloads.example/",
                                "http://down loads.example/",
                                "http://downloads.example:99999/",
                                "http://downloads.example:8o/",
                                "http://[downloads]/",
                                "http:\\\\downloads.example\\",
                                "//downloads.example/",
                                ""}) {
        EXPECT_EQ(IsWebAddress(address), QtWebAddress(address)) << address;
    }
}

}  // namespace
}  // namespace vantrel
