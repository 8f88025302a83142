// The Debian package as a user's machine gets it: unpacked into a scratch
// root, checked for its layout, its links and its dependencies, and its
// installed program run from there, as the systemd service would run it,
// against the nginx recipe.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "platform/RegistryStore.h"
#include "protocol/ReplyWriter.h"
#include "protocol/ServerMessages.h"
#include "tests/e2e/ChildProcess.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/NginxServer.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

// A shell command's standard output with standard error joined to it.
TShellResult RunCommand(const std::string& command) {
    return RunShell(command + " 2>&1");
}

std::string TextOf(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// How the package under test was built: the suite's own build by default;
// the suite points these at a vendor's configured build to test that too.
std::string BuildSetting(const char* name, const char* ownBuild) {
    const char* other = std::getenv(name);
    return other != nullptr ? other : ownBuild;
}
const std::string kPackageDir = BuildSetting("VANTREL_TEST_PACKAGE_DIR", VANTREL_TEST_PACKAGE_DIR);
const std::string kProductDir = BuildSetting("VANTREL_TEST_PRODUCT_DIR", VANTREL_TEST_PRODUCT_DIR);
const std::string kPackageKeyFile =
    BuildSetting("VANTREL_TEST_PACKAGE_KEY_FILE", VANTREL_TEST_PACKAGE_KEY_FILE);

fs::path PackageFile() {
    std::vector<fs::path> packages;
    for (const fs::directory_entry& entry : fs::directory_iterator(kPackageDir))
        if (entry.path().extension() == ".deb")
            packages.push_back(entry.path());
    if (packages.size() != 1)
        throw std::runtime_error("want one package in " + kPackageDir);
    return packages.front();
}

// The package's files below the root, links included, directories not.
std::set<std::string> FilesBelow(const fs::path& root) {
    std::set<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
        if (!entry.is_directory() || entry.is_symlink())
            files.insert(entry.path().lexically_relative(root).string());
    return files;
}

// Width and height from a PNG's IHDR chunk (big-endian, bytes 16 to 23).
std::pair<std::uint32_t, std::uint32_t> PngSize(const fs::path& file) {
    const std::vector<std::uint8_t> bytes = ReadFile(file);
    if (bytes.size() < 24)
        return {0, 0};
    const auto at = [&](std::size_t i) {
        return std::uint32_t{bytes[i]} << 24 | std::uint32_t{bytes[i + 1]} << 16 |
               std::uint32_t{bytes[i + 2]} << 8 | bytes[i + 3];
    };
    return {at(16), at(20)};
}

const std::vector<std::string> kElfFiles = {
    "usr/lib/vantrel/vantrel",        "usr/lib/vantrel/libvantrel-ui.so",
    "usr/bin/vantrel-reply",          "usr/bin/vantrel-dict",
    "usr/bin/vantrel-fetch",          "usr/bin/vantrel-due",
    "usr/bin/vantrel-sample-library",
};

class PackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Package = new fs::path(PackageFile());
        Root = new TempDir;
        const TShellResult unpack =
            RunCommand("dpkg-deb -x " + ShellQuoted(*Package) + " " + ShellQuoted(Root->path()));
        ASSERT_EQ(unpack.Status, 0) << unpack.Out;
    }
    static void TearDownTestSuite() {
        delete Root;
        delete Package;
    }

    static fs::path Installed(const std::string& name) { return Root->path() / name; }

    static inline fs::path* Package = nullptr;
    static inline TempDir* Root = nullptr;
};

TEST_F(PackageTest, HoldsTheProgramItsToolsAndItsDesktopIntegrationAndNothingElse) {
    std::set<std::string> expected = {
        "usr/bin/vantrel",
        "usr/bin/vantrel-dict",
        "usr/bin/vantrel-due",
        "usr/bin/vantrel-fetch",
        "usr/bin/vantrel-reply",
        "usr/bin/vantrel-sample-library",
        "usr/lib/vantrel/vantrel",
        "usr/lib/vantrel/libvantrel-ui.so",
        "usr/lib/vantrel/translation.dat",
        "usr/lib/systemd/user/vantrel.service",
        "usr/lib/systemd/user/vantrel.timer",
        "usr/share/applications/vantrel.desktop",
        "usr/share/doc/vantrel/README.systemd.md",
        "usr/share/doc/vantrel/changelog.gz",
        "usr/share/doc/vantrel/copyright",
        "usr/share/icons/hicolor/16x16/apps/vantrel.png",
        "usr/share/icons/hicolor/32x32/apps/vantrel.png",
        "usr/share/icons/hicolor/48x48/apps/vantrel.png",
        "usr/share/icons/hicolor/256x256/apps/vantrel.png",
        "usr/share/man/man1/vantrel.1.gz",
        "usr/share/man/man1/vantrel-dict.1.gz",
        "usr/share/man/man1/vantrel-due.1.gz",
        "usr/share/man/man1/vantrel-fetch.1.gz",
        "usr/share/man/man1/vantrel-reply.1.gz",
        "usr/share/man/man1/vantrel-sample-library.1.gz",
    };
    // The vendor's signing key, when the build was configured with one.
    const std::string& key = kPackageKeyFile;
    if (!key.empty())
        expected.insert("usr/lib/vantrel/package-key.pub");
    // Test programs, benchmarks and fuzzers among them would show up here.
    EXPECT_EQ(FilesBelow(Root->path()), expected);
    if (!key.empty()) {
        EXPECT_EQ(ReadFile(Installed("usr/lib/vantrel/package-key.pub")), ReadFile(key));
    }
    // The build tree's programs are the tests': they must not verify packages.
    EXPECT_FALSE(fs::exists(BinDir() / "package-key.pub"));

    for (const std::string& elf : kElfFiles) {
        const fs::perms perms = fs::status(Installed(elf)).permissions();
        if (elf.ends_with(".so"))
            continue;
        EXPECT_NE(perms & fs::perms::others_exec, fs::perms::none) << elf;
    }
    for (const unsigned size : {16u, 32u, 48u, 256u}) {
        const std::string icon = "usr/share/icons/hicolor/" + std::to_string(size) + "x" +
                                 std::to_string(size) + "/apps/vantrel.png";
        EXPECT_EQ(PngSize(Installed(icon)), std::make_pair(size, size)) << icon;
    }
}

TEST_F(PackageTest, BinVantrelIsARelativeLinkToTheProgram) {
    const fs::path link = Installed("usr/bin/vantrel");
    ASSERT_TRUE(fs::is_symlink(link));
    // Relative, so that the unpacked tree works where it lies as well as in /.
    EXPECT_EQ(fs::read_symlink(link), "../lib/vantrel/vantrel");
    EXPECT_EQ(fs::canonical(link), fs::canonical(Installed("usr/lib/vantrel/vantrel")));
}

TEST_F(PackageTest, BinariesFindTheirLibrariesOnTheSystemAndNotInTheBuildTree) {
    for (const std::string& elf : kElfFiles) {
        SCOPED_TRACE(elf);
        const TShellResult ldd = RunCommand("ldd " + ShellQuoted(Installed(elf)));
        EXPECT_EQ(ldd.Status, 0) << ldd.Out;
        EXPECT_EQ(ldd.Out.find("not found"), std::string::npos) << ldd.Out;
        EXPECT_EQ(ldd.Out.find(BinDir().parent_path().string()), std::string::npos) << ldd.Out;
        EXPECT_EQ(ldd.Out.find(SourceDir().string()), std::string::npos) << ldd.Out;
        const TShellResult dynamic = RunCommand("readelf -d " + ShellQuoted(Installed(elf)));
        EXPECT_EQ(dynamic.Out.find("RPATH"), std::string::npos) << dynamic.Out;
        EXPECT_EQ(dynamic.Out.find("RUNPATH"), std::string::npos) << dynamic.Out;
    }
    // The program's check side must not drag Qt into a quiet run.
    EXPECT_EQ(RunCommand("ldd " + ShellQuoted(Installed("usr/lib/vantrel/vantrel"))).Out.find("Qt"),
              std::string::npos);
}

TEST_F(PackageTest, DependsNamesTheLibrariesItLinks) {
    const TShellResult depends = RunCommand("dpkg-deb -f " + ShellQuoted(*Package) + " Depends");
    ASSERT_EQ(depends.Status, 0) << depends.Out;
    for (const char* library : {"libc6", "libstdc++6", "libcurl4", "libjpeg62-turbo", "zlib1g",
                                "libsodium23", "libqt6core6", "libqt6gui6", "libqt6widgets6"})
        EXPECT_NE(depends.Out.find(library), std::string::npos) << library << " in " << depends.Out;
    EXPECT_EQ(RunCommand("dpkg-deb -f " + ShellQuoted(*Package) + " Package").Out, "vantrel\n");
}

TEST_F(PackageTest, UnitsAndDesktopEntryNameTheInstalledPaths) {
    const std::string service = TextOf(Installed("usr/lib/systemd/user/vantrel.service"));
    EXPECT_NE(service.find("\nExecCondition=/usr/bin/vantrel-due -q\n"), std::string::npos);
    EXPECT_NE(service.find("\nExecStart=/usr/bin/vantrel\n"), std::string::npos);
    EXPECT_NE(service.find("\nWorkingDirectory="), std::string::npos);
    const std::string timer = TextOf(Installed("usr/lib/systemd/user/vantrel.timer"));
    EXPECT_NE(timer.find("\nOnCalendar=daily\n"), std::string::npos);
    EXPECT_NE(timer.find("\nPersistent=true\n"), std::string::npos);
    const std::string desktop = TextOf(Installed("usr/share/applications/vantrel.desktop"));
    EXPECT_NE(desktop.find("\nExec=vantrel /showinfo\n"), std::string::npos);
    EXPECT_NE(desktop.find("\nIcon=vantrel\n"), std::string::npos);
    EXPECT_NE(desktop.find("\nTerminal=false\n"), std::string::npos);
    // Both run the program in the product's directory when the build names
    // one; the service's stand-in otherwise is the home directory.
    const std::string& productDir = kProductDir;
    EXPECT_EQ(desktop.find("\nPath="),
              productDir.empty() ? std::string::npos : desktop.find("\nPath=" + productDir + "\n"));
    EXPECT_NE(service.find("\nWorkingDirectory=" + (productDir.empty() ? "%h" : productDir) + "\n"),
              std::string::npos);
}

// The value of `key` in a desktop entry's text, empty when it has none.
std::string EntryValue(const std::string& entry, const std::string& key) {
    const std::size_t at = entry.find("\n" + key + "=");
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + key.size() + 2;
    return entry.substr(from, entry.find('\n', from) - from);
}

// The installed program run from the scratch root, in the product's
// directory, with its own home.
class InstalledRunTest : public PackageTest {
protected:
    void SetUp() override {
        for (const fs::path& dir :
             {FHome, FConfig, FCache, FRuntime, FWork, FServed / "replies", FServed / "packages"})
            fs::create_directories(dir);
        // The product, written by the installed sample tool where the
        // installed program looks for it.
        fs::create_directories(ProductDir());
        ASSERT_FALSE(fs::exists(ProductDir() / "kvoutlook.dll")) << "a product is already there";
        TChildProcess sample(Installed("usr/bin/vantrel-sample-library"),
                             {"--edition", "0", "--version", "4.0.0.1", ProductDir().string()},
                             Environment("http://127.0.0.1:1"), FDir.path());
        ASSERT_EQ(sample.Wait(), 0) << sample.Err();
        FPlaced = true;
    }
    void TearDown() override {
        std::error_code ignored;
        if (FPlaced && ProductDir() != FWork)
            fs::remove(ProductDir() / "kvoutlook.dll", ignored);
    }

    // The directory the build names, else the program's working directory.
    fs::path ProductDir() const {
        const fs::path configured = kProductDir;
        return configured.empty() ? FWork : configured;
    }

    // The installed scheduler's question, as the service's ExecCondition asks it.
    std::pair<int, std::string> AskDue() {
        TChildProcess due(Installed("usr/bin/vantrel-due"), {}, Environment("http://127.0.0.1:1"),
                          FWork);
        const int status = due.Wait();
        return {status, due.Out()};
    }

    std::vector<std::string> Environment(const std::string& server) const {
        return {"HOME=" + FHome.string(),
                "XDG_CONFIG_HOME=" + FConfig.string(),
                "XDG_CACHE_HOME=" + FCache.string(),
                "XDG_RUNTIME_DIR=" + FRuntime.string(),
                "VANTREL_SERVER=" + server,
                "VANTREL_NOW=2027-01-30T10:00:00",
                "LC_ALL=C.UTF-8",
                "PATH=/usr/bin:/bin"};
    }

    std::optional<platform::TRegKey> StoredState() const {
        return platform::TRegistryStore(FConfig / "vantrel" / "user.reg").ReadKey("Vantrel");
    }

    TempDir FDir;
    bool FPlaced = false;
    fs::path FHome = FDir / "home", FConfig = FDir / "config", FCache = FDir / "cache",
             FRuntime = FDir / "runtime", FWork = FDir / "product", FServed = FDir / "served";
};

TEST_F(InstalledRunTest, QuietCheckAgainstNginxFindsTheProductUpToDate) {
    NginxServer server(FServed);
    TProjectReplyContent content;
    content.ProductTitle = "Orbisk for Outlook";
    content.DownloadURL = server.URL() + "/packages";
    content.Available = TProductVersionRec{true, 0x04000001, "Orbisk4OutlookSetup.exe"};
    WriteFile(FServed / "replies" / "Orbisk4Outlook.reply", BuildProjectReply(content));

    EXPECT_EQ(AskDue(), std::make_pair(0, std::string("due: no update state is stored yet, so "
                                                      "the first check is due\n")));

    TChildProcess vantrel(Installed("usr/bin/vantrel"), {}, Environment(server.URL()), FWork);
    EXPECT_EQ(vantrel.Wait(), 0) << vantrel.Err();
    EXPECT_EQ(vantrel.Out(), "");
    EXPECT_EQ(vantrel.Err(), "");

    // The server was asked, for the edition and version found in the
    // working directory.
    EXPECT_NE(TextOf(server.AccessLog())
                  .find("GetProjectInfo?ProjectID=Orbisk4Outlook&CurrentProjectVersion=67108865"),
              std::string::npos)
        << TextOf(server.AccessLog());
    const std::optional<platform::TRegKey> state = StoredState();
    ASSERT_TRUE(state);
    // Nothing offered, nothing begun: the status the run saves is "none".
    ASSERT_NE(state->Find("Update Mode"), nullptr);
    ASSERT_NE(state->Find("Update Status"), nullptr);
    EXPECT_EQ(state->Find("Update Status")->Data, std::vector<std::uint8_t>{0});
    // The mode a user has not chosen yet is "never": the timer's next
    // starts are skipped until the user picks one in the window.
    EXPECT_EQ(AskDue(), std::make_pair(1, std::string("not due: the update mode is never\n")));
}

TEST_F(InstalledRunTest, WindowModuleAndDictionaryAreFoundBesideTheInstalledProgram) {
    // A server that is down, and "/showinfo": the error dialog comes from
    // the installed module, in German from the installed translation.dat.
    // The module's test hook closes the dialog once it is shown.
    std::vector<std::string> environment =
        Environment("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()));
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    environment.push_back("VANTREL_TEST_CLOSE_DIALOG=1");
    TChildProcess vantrel(Installed("usr/bin/vantrel"), {"/showinfo", "/lang:Deutsch"}, environment,
                          FWork);
    EXPECT_EQ(vantrel.Wait(), 0) << vantrel.Err();
    EXPECT_NE(vantrel.Out().find("Vom Vantrel-Server konnten keine Daten gelesen werden"),
              std::string::npos)
        << vantrel.Out() << vantrel.Err();
}

// The menu entry run as a desktop runs it: the launcher, started from "/",
// runs Exec (found on PATH) in the entry's Path. Only a build that names the
// product's directory has one; the test places the product there.
TEST_F(InstalledRunTest, DesktopEntryRunFromRootFindsTheProductInTheConfiguredDirectory) {
    const fs::path productDir = kProductDir;
    ASSERT_FALSE(productDir.empty()) << "run on a package built with VANTREL_PRODUCT_DIR only";
    const std::string entry = TextOf(Installed("usr/share/applications/vantrel.desktop"));
    ASSERT_EQ(EntryValue(entry, "Path"), productDir.string());
    const std::string exec = EntryValue(entry, "Exec");
    ASSERT_EQ(exec, "vantrel /showinfo");

    ASSERT_TRUE(fs::exists(productDir / "kvoutlook.dll"));

    // A server without replies: the failed query's dialog shows, and the
    // test hook closes it. Without the product nothing would be asked.
    NginxServer server(FServed);
    std::vector<std::string> environment = Environment(server.URL());
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    environment.push_back("VANTREL_TEST_CLOSE_DIALOG=1");
    TChildProcess vantrel(Installed("usr/bin/vantrel"), {"/showinfo"}, environment,
                          EntryValue(entry, "Path"));
    EXPECT_EQ(vantrel.Wait(), 0) << vantrel.Err();
    EXPECT_NE(TextOf(server.AccessLog())
                  .find("GetProjectInfo?ProjectID=Orbisk4Outlook&CurrentProjectVersion=67108865"),
              std::string::npos)
        << TextOf(server.AccessLog());
    EXPECT_NE(vantrel.Out().find("heading: "), std::string::npos) << vantrel.Out();
}

}  // namespace
}  // namespace vantrel::test
