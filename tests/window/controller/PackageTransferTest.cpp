// What the window accepts from the server as the package's address and
// name, and the hand-over to the installer on real files, with a recorder in
// place of the desktop.
#include "window/controller/PackageTransfer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "core/SourceTexts.h"
#include "i18n/SFTranslateRepository.h"
#include "i18n/UnicodeText.h"
#include "tests/support/TempDir.h"
#include "tests/window/controller/OfferedProduct.h"
#include "window/controller/PackageNames.h"
#include "window/controller/WebAddress.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::OfferedProduct;

TEST(WebAddress, OnlyHttpAndHttpsWithAHostPass) {
    struct Row {
        const char* Address;
        bool Web;
    };
    const Row rows[] = {
        {"http://downloads.example/setup.exe", true},
        {"HTTPS://downloads.example", true},
        {"https://user:pw@downloads.example:8443/a?b#c", true},
        {"http://[::1]:8080/setup.exe", true},
        {"http://127.0.0.1/", true},
        {"ftp://downloads.example/setup.exe", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"http:/setup.exe", false},
        {"http://", false},
        {"http://:80/", false},
        {" http://downloads.example/", false},
        {"http://down loads.example/", false},
        {"http://downloads.example:99999/", false},
        {"http://downloads.example:8o/", false},
        {"http://[downloads]/", false},
        {"", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsWebAddress(row.Address), row.Web) << row.Address;
}

TEST(WebAddress, TheWebSiteIsShownWithoutTheSpaceAroundIt) {
    EXPECT_EQ(WebSiteAddress(" https://orbisk.example/ \t\r\n"), "https://orbisk.example/");
    EXPECT_EQ(WebSiteAddress("   "), std::nullopt);
    EXPECT_EQ(WebSiteAddress(" file:///usr/bin/xterm"), std::nullopt);
}

std::string RefusalOf(const std::string& url, TSFTranslateRepository* repository = nullptr) {
    try {
        CheckPackageURL(url, repository);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return {};
}

TEST(CheckPackageURL, RefusesWhatIsNotAWebAddressOrAPlainName) {
    OfferedProduct offer("", "setup.exe", 1);
    EXPECT_EQ(RefusalOf("https://downloads.example/setup.exe"), "");
    const std::string refusal = RefusalOf("file:///etc/passwd");
    EXPECT_NE(refusal.find("\"file:///etc/passwd\": only http:// and https://"), std::string::npos)
        << refusal;
    for (const std::string& name :
         {std::string("../.bashrc"), std::string("a/b"), std::string(".."), std::string(),
          std::string("setup\0.exe", 10)}) {
        AvailableProduct.FileName = name;
        EXPECT_NE(RefusalOf("https://downloads.example/x").find("not a plain file name"),
                  std::string::npos)
            << name;
    }
    // Control characters from the server are shown as such, not obeyed.
    AvailableProduct.FileName = "setup.exe";
    const std::string shown = RefusalOf(std::string("ftp://x/\nOK\0", 12));
    EXPECT_NE(shown.find("\"ftp://x/\uFFFDOK\uFFFD\": only"), std::string::npos) << shown;
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
    EXPECT_EQ(RefusalOf("file:///%s", &repository), "Adresse file:///%s ist keine Webadresse");
    // A language without a text for the message falls back to English.
    AvailableProduct.FileName = "..";
    EXPECT_EQ(RefusalOf("https://downloads.example/x", &repository),
              "The new version cannot be downloaded: its file name \"..\" is not a plain "
              "file name.");
}

// The installer hand-over --------------------------------------------------------

class HandOverTest : public ::testing::Test {
protected:
    std::string TempDirText() const { return Dir.path().string() + "/"; }
    fs::path Temporary() const { return TemporaryPackageFile(TempDirText()); }
    fs::path Final() const { return FinalPackageFile(TempDirText()); }
    TInstallResult Install() {
        return RunInstaller(TempDirText(), [this](const std::string& path) {
            Opened.push_back(path);
            return OpenSucceeds;
        });
    }
    static std::string Text(const std::u16string& reason) {
        return unicode::Utf16ToUtf8Lenient(reason);
    }

    test::TempDir Dir;
    OfferedProduct Offer{"https://downloads.example", "setup.run", 1};
    std::vector<std::string> Opened;
    bool OpenSucceeds = true;
};

TEST_F(HandOverTest, MovesThePackageOverAnOldOneAndOpensIt) {
    test::WriteFile(Final(), "old package");
    test::WriteFile(Temporary(), "new package");
    const TInstallResult result = Install();
    EXPECT_TRUE(result.Started);
    EXPECT_TRUE(result.Reason.empty());
    EXPECT_FALSE(fs::exists(Temporary()));
    EXPECT_EQ(test::ReadFileText(Final()), "new package");
    EXPECT_EQ(Opened, std::vector<std::string>{Final().string()});
}

TEST_F(HandOverTest, FailedMoveKeepsTheTemporaryFileAndOpensNothing) {
    test::WriteFile(Temporary(), "package");
    fs::create_directory(Final());  // a non-empty directory is never replaced
    test::WriteFile(Final() / "inside", "x");
    const TInstallResult result = Install();
    EXPECT_FALSE(result.Started);
    EXPECT_TRUE(result.PackageKept);
    EXPECT_EQ(Text(result.Reason).rfind("The downloaded package could not be made ready", 0), 0u)
        << Text(result.Reason);
    EXPECT_NE(Text(result.Reason).find(Final().string()), std::string::npos);
    EXPECT_EQ(test::ReadFileText(Temporary()), "package");
    EXPECT_TRUE(Opened.empty());
}

TEST_F(HandOverTest, NoPackageAtAllIsReportedNotOpened) {
    const TInstallResult result = Install();
    EXPECT_FALSE(result.Started);
    EXPECT_FALSE(result.PackageKept);
    EXPECT_NE(Text(result.Reason).find("is missing"), std::string::npos) << Text(result.Reason);
    EXPECT_TRUE(Opened.empty());
}

// An open that fails leaves the package under its final name; the next try
// finds no temporary file and opens that one instead of losing it.
TEST_F(HandOverTest, FailedOpenKeepsTheFinalFileForTheNextTry) {
    test::WriteFile(Temporary(), "package");
    OpenSucceeds = false;
    const TInstallResult failed = Install();
    EXPECT_FALSE(failed.Started);
    EXPECT_TRUE(failed.PackageKept);
    EXPECT_NE(Text(failed.Reason).find("could not be opened"), std::string::npos)
        << Text(failed.Reason);
    EXPECT_EQ(test::ReadFileText(Final()), "package");

    OpenSucceeds = true;
    const TInstallResult retried = Install();
    EXPECT_TRUE(retried.Started);
    EXPECT_EQ(test::ReadFileText(Final()), "package");
    ASSERT_EQ(Opened.size(), 2u);
    EXPECT_EQ(Opened[1], Final().string());
}

}  // namespace
}  // namespace vantrel
