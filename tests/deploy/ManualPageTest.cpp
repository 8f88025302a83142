// The manual pages as the package installs them: one per installed program,
// rendered by man without a warning, and naming every option that the
// tool's own --help names, so that a page cannot fall behind its tool.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <set>

#include "tests/e2e/ChildProcess.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

// The options a usage text names: words that start with "-" or "--" after a
// space, a bracket or a comma ("e-mail" and "0-65535" are not options).
std::set<std::string> OptionsIn(const std::string& usage) {
    static const std::regex option(R"((?:^|[\s\[(|,])(--?[A-Za-z][A-Za-z0-9-]*))");
    std::set<std::string> options;
    for (std::sregex_iterator it(usage.begin(), usage.end(), option), end; it != end; ++it)
        options.insert((*it)[1]);
    return options;
}

bool NamesOption(const std::string& page, const std::string& option) {
    const std::regex whole("(^|[^A-Za-z0-9-])" + option + "($|[^A-Za-z0-9-])");
    return std::regex_search(page, whole);
}

class ManualPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Root = new TempDir;
        std::vector<fs::path> packages;
        for (const fs::directory_entry& entry : fs::directory_iterator(VANTREL_TEST_PACKAGE_DIR))
            if (entry.path().extension() == ".deb")
                packages.push_back(entry.path());
        ASSERT_EQ(packages.size(), 1u) << VANTREL_TEST_PACKAGE_DIR;
        const TShellResult unpack = RunShell("dpkg-deb -x " + ShellQuoted(packages.front()) + " " +
                                             ShellQuoted(Root->path()) + " 2>&1");
        ASSERT_EQ(unpack.Status, 0) << unpack.Out;
    }
    static void TearDownTestSuite() { delete Root; }

    static fs::path PageOf(const std::string& program) {
        return Root->path() / "usr/share/man/man1" / (program + ".1.gz");
    }

    // The page as plain text on one long line per paragraph: no hyphenation
    // or justification to split an option across lines.
    static std::string PlainText(const fs::path& page) {
        return RunShell("MANWIDTH=400 man --nh --nj -l " + ShellQuoted(page) + " 2>/dev/null").Out;
    }

    static inline TempDir* Root = nullptr;
};

TEST_F(ManualPageTest, EveryInstalledProgramHasAPageThatManRendersWithoutWarnings) {
    std::vector<std::string> programs;
    for (const fs::directory_entry& entry : fs::directory_iterator(Root->path() / "usr/bin"))
        programs.push_back(entry.path().filename().string());
    ASSERT_FALSE(programs.empty());
    for (const std::string& program : programs) {
        SCOPED_TRACE(program);
        const fs::path page = PageOf(program);
        ASSERT_TRUE(fs::is_regular_file(page));
        // Warnings go to standard error; the rendered page is thrown away.
        const TShellResult warnings =
            RunShell("MANWIDTH=80 man --warnings -l " + ShellQuoted(page) + " 2>&1 >/dev/null");
        EXPECT_EQ(warnings.Status, 0);
        EXPECT_EQ(warnings.Out, "");
        // The page is about this program, not a copy of another's.
        EXPECT_NE(PlainText(page).find(program + " - "), std::string::npos);
    }
}

TEST_F(ManualPageTest, EveryOptionOfAToolsHelpIsInItsPage) {
    const std::vector<std::string> tools = {"vantrel-reply", "vantrel-dict", "vantrel-fetch",
                                            "vantrel-due", "vantrel-sample-library"};
    for (const std::string& tool : tools) {
        SCOPED_TRACE(tool);
        TempDir work;
        TChildProcess help(
            Root->path() / "usr/bin" / tool, {"--help"},
            {"HOME=" + work.path().string(), "LC_ALL=C.UTF-8", "QT_QPA_PLATFORM=offscreen"},
            work.path());
        help.Wait();
        // A tool that does not know --help still prints its usage, on
        // standard error.
        const std::set<std::string> options = OptionsIn(help.Out() + help.Err());
        ASSERT_FALSE(options.empty()) << help.Out() << help.Err();
        const std::string page = PlainText(PageOf(tool));
        for (const std::string& option : options)
            EXPECT_TRUE(NamesOption(page, option)) << option << " is missing from the page";
    }
}

}  // namespace
}  // namespace vantrel::test
