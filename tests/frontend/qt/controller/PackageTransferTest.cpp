// The package transfer: the component as the window configures it, against a
// loopback server that honours byte ranges; the completion notice as the
// server receives it; the installer hand-over on real files with a recorder
// in place of the desktop.
#include <gtest/gtest.h>

#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "core/ProductVersion.h"
#include "core/SourceTexts.h"
#include "core/iProcs.h"
#include "frontend/qt/controller/PackageTransfer.h"
#include "frontend/qt/controller/ShellOpen.h"
#include "i18n/SFTranslateRepository.h"
#include "platform/InternetState.h"
#include "tests/frontend/qt/download/FaultServer.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using platform::E_ABORT;
using platform::S_OK;
using test::kPackageSize;
using test::ReadFile;
using test::WriteFile;

std::string Contents(const fs::path& path) {
    const auto bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// The process-wide values a test sets, put back afterwards.
class OfferedProduct {
public:
    OfferedProduct(const std::string& downloadURL, const std::string& fileName,
                   std::uint32_t version)
        : FInfo(ProjectInfo), FProduct(AvailableProduct), FProjectID(ProjectID) {
        ProjectInfo.DownloadURL = downloadURL;
        AvailableProduct = {true, version, fileName};
    }
    ~OfferedProduct() {
        ProjectInfo = FInfo;
        AvailableProduct = FProduct;
        ProjectID = FProjectID;
    }

private:
    TProjectInfo FInfo;
    TProductVersionRec FProduct;
    std::string FProjectID;
};

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
    EXPECT_EQ(Contents(Temporary()), Server.Package());
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
    EXPECT_EQ(Contents(Temporary()), Server.Package());
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
    EXPECT_EQ(Contents(Temporary()), Server.Package());
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

// The address check ------------------------------------------------------------

std::string RefusalOf(const std::string& url) {
    try {
        CheckPackageURL(url);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return {};
}

TEST(CheckPackageURL, OnlyWebAddressesAndPlainNamesPass) {
    OfferedProduct offer("", "setup.exe", 1);
    EXPECT_EQ(RefusalOf("http://downloads.example/setup.exe"), "");
    EXPECT_EQ(RefusalOf("https://downloads.example/setup.exe"), "");
    EXPECT_EQ(RefusalOf("HTTPS://downloads.example/setup.exe"), "");
    for (const std::string url :
         {"ftp://downloads.example/setup.exe", "file:///etc/passwd", "", "javascript:alert(1)",
          "/setup.exe", " http://x/", "httpx://downloads.example/"}) {
        SCOPED_TRACE(url);
        const std::string refusal = RefusalOf(url);
        EXPECT_NE(refusal.find("only http:// and https://"), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("\"" + url + "\""), std::string::npos) << refusal;
    }
    for (const std::string& name :
         {std::string("../.bashrc"), std::string("a/b"), std::string(".."), std::string("."),
          std::string(), std::string("setup\0.exe", 10)}) {
        SCOPED_TRACE(name);
        AvailableProduct.FileName = name;
        EXPECT_NE(RefusalOf("https://downloads.example/x").find("not a plain file name"),
                  std::string::npos);
    }
    // Control characters from the server are shown as such, not obeyed.
    AvailableProduct.FileName = "setup.exe";
    const std::string shown = RefusalOf(std::string("ftp://x/\nOK\0", 12));
    EXPECT_NE(shown.find("\"ftp://x/\uFFFDOK\uFFFD\": only"), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\n'), std::string::npos);
}

TEST(CheckPackageURL, RefusedNamesStayInsideTheDirectory) {
    OfferedProduct offer("", "../../.config/autostart/x.desktop", 1);
    EXPECT_EQ(FinalPackageFile("/c/"), "/c/.._.._.config_autostart_x.desktop");
    AvailableProduct.FileName = "..";
    EXPECT_EQ(FinalPackageFile("/c/"), "/c/_..");
    EXPECT_EQ(TemporaryPackageFile("/c/"), "/c/_...tmp");
    AvailableProduct.FileName.clear();
    EXPECT_EQ(FinalPackageFile("/c/"), "/c/_");
}

TEST(CheckPackageURL, MessageIsTranslatedBeforeTheAddressGoesIn) {
    OfferedProduct offer("", "setup.exe", 1);
    TSFTranslateRepository source;
    source.SetLanguages({{u"English", {}, 0}, {u"Deutsch", {}, 0}});
    source.AddWord(std::string(texts::kPackageAddressNotWeb), {u"Adresse %s ist keine Webadresse"});
    source.AddWord(std::string(texts::kPackageNameNotPlain), {u""});
    TSFTranslateRepository repository;
    ASSERT_TRUE(repository.LoadDictionaryData(source.StoreDictionary()));
    repository.SetCurrentLanguage(u"Deutsch");
    try {
        CheckPackageURL("file:///%s", &repository);
        FAIL() << "accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Adresse file:///%s ist keine Webadresse");
    }
    // A language without a text for the message falls back to English.
    AvailableProduct.FileName = "..";
    try {
        CheckPackageURL("https://downloads.example/x", &repository);
        FAIL() << "accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(),
                     "The new version cannot be downloaded: its file name \"..\" is not a plain "
                     "file name.");
    }
}

// The installer hand-over --------------------------------------------------------

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FPrevious = SetShellOpenFunction([this](const QUrl& target) {
            Opened.push_back(target);
            return OpenSucceeds;
        });
    }
    void TearDown() override { SetShellOpenFunction(FPrevious); }

    fs::path Temporary() const { return TemporaryPackageFile(TempDirText(Dir)); }
    fs::path Final() const { return FinalPackageFile(TempDirText(Dir)); }
    QUrl FinalURL() const { return QUrl::fromLocalFile(QString::fromStdString(Final().string())); }
    TInstallResult Install() { return RunInstaller(TempDirText(Dir)); }

    test::TempDir Dir;
    OfferedProduct Offer{"https://downloads.example", "setup.run", 1};
    std::vector<QUrl> Opened;
    bool OpenSucceeds = true;

private:
    TShellOpenFunction FPrevious;
};

TEST_F(InstallerTest, MovesThePackageOverAnOldOneAndOpensIt) {
    WriteFile(Final(), "old package");
    WriteFile(Temporary(), "new package");
    const TInstallResult result = Install();
    EXPECT_TRUE(result.Started);
    EXPECT_TRUE(result.Reason.empty());
    EXPECT_FALSE(fs::exists(Temporary()));
    EXPECT_EQ(Contents(Final()), "new package");
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], FinalURL());
}

TEST_F(InstallerTest, FailedMoveKeepsTheTemporaryFileAndOpensNothing) {
    WriteFile(Temporary(), "package");
    fs::create_directory(Final());  // a non-empty directory is never replaced
    WriteFile(Final() / "inside", "x");
    const TInstallResult result = Install();
    EXPECT_FALSE(result.Started);
    EXPECT_TRUE(result.PackageKept);
    EXPECT_TRUE(QString::fromStdU16String(result.Reason)
                    .startsWith("The downloaded package could not be made ready"))
        << QString::fromStdU16String(result.Reason).toStdString();
    EXPECT_TRUE(QString::fromStdU16String(result.Reason)
                    .contains(QString::fromStdString(Final().string())));
    EXPECT_EQ(Contents(Temporary()), "package");
    EXPECT_TRUE(Opened.empty());
}

TEST_F(InstallerTest, NoPackageAtAllIsReportedNotOpened) {
    const TInstallResult result = Install();
    EXPECT_FALSE(result.Started);
    EXPECT_FALSE(result.PackageKept);
    EXPECT_TRUE(QString::fromStdU16String(result.Reason).contains("is missing"))
        << QString::fromStdU16String(result.Reason).toStdString();
    EXPECT_TRUE(Opened.empty());
}

// An open that fails leaves the package under its final name; the next try
// finds no temporary file and opens that one instead of losing it.
TEST_F(InstallerTest, FailedOpenKeepsTheFinalFileForTheNextTry) {
    WriteFile(Temporary(), "package");
    OpenSucceeds = false;
    const TInstallResult failed = Install();
    EXPECT_FALSE(failed.Started);
    EXPECT_TRUE(failed.PackageKept);
    EXPECT_TRUE(QString::fromStdU16String(failed.Reason).contains("could not be opened"))
        << QString::fromStdU16String(failed.Reason).toStdString();
    EXPECT_EQ(Contents(Final()), "package");

    OpenSucceeds = true;
    const TInstallResult retried = Install();
    EXPECT_TRUE(retried.Started);
    EXPECT_EQ(Contents(Final()), "package");
    ASSERT_EQ(Opened.size(), 2u);
    EXPECT_EQ(Opened[1], FinalURL());
}

}  // namespace
}  // namespace vantrel
