#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/StartUp.h"

namespace vantrel {
namespace {

TEST(DecideWindow, FollowsTheDecisionTable) {
    constexpr std::uint32_t kInstalled = 0x04000000;
    constexpr std::uint32_t kNewer = 0x04000001;
    const std::string failure = "Cannot connect";
    struct TRow {
        bool Found, Succeeded;
        std::uint32_t Available;
        bool ShowInfo;
        std::string Error;
        TWindowChoice Expected;
    };
    const TRow rows[] = {
        {false, false, 0, false, "", TWindowChoice::None},
        {false, false, 0, true, "", TWindowChoice::None},
        {true, false, 0, false, failure, TWindowChoice::None},
        {true, false, 0, true, failure, TWindowChoice::ErrorDialog},
        {true, true, kInstalled, false, "", TWindowChoice::None},  // equal is not newer
        {true, true, kInstalled, true, "", TWindowChoice::MainWindow},
        {true, true, kNewer, false, "", TWindowChoice::MainWindow},
        {true, true, kNewer, true, "", TWindowChoice::MainWindow},
        // Unsigned: a version with the top bit set is newer than any below it.
        {true, true, 0x80000000u, false, "", TWindowChoice::MainWindow},
        {true, true, 0x03FFFFFF, false, "", TWindowChoice::None},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.Found << row.Succeeded << row.Available << row.ShowInfo);
        EXPECT_EQ(DecideWindow(row.Found, row.Succeeded, row.Available, kInstalled, row.ShowInfo,
                               row.Error),
                  row.Expected);
    }
}

TEST(CommandLine, SwitchesCountOnlyAsTheFirstArgumentInAnyCase) {
    EXPECT_TRUE(FirstArgumentIs({"/SHOWINFO"}, "/showinfo"));
    EXPECT_TRUE(FirstArgumentIs({"/UnInstall", "x"}, "/uninstall"));
    EXPECT_FALSE(FirstArgumentIs({"x", "/uninstall"}, "/uninstall"));
    EXPECT_FALSE(FirstArgumentIs({"/uninstall "}, "/uninstall"));
    EXPECT_FALSE(FirstArgumentIs({}, "/showinfo"));
}

TEST(CommandLine, TheFirstLanguageSwitchWinsAndIsCaseSensitive) {
    EXPECT_EQ(LanguageArgument({"/showinfo", "/lang:Deutsch", "/lang:Français"}), u"Deutsch");
    EXPECT_EQ(LanguageArgument({"/LANG:Deutsch",
                                "/lang:Fran\xC3\xA7"
                                "ais"}),
              u"Français");
    EXPECT_EQ(LanguageArgument({"/lang:"}), u"");
    EXPECT_EQ(LanguageArgument({"/LANG:Deutsch", "lang:x", " /lang:y"}), std::nullopt);
    EXPECT_EQ(LanguageArgument({"/lang:\xFF"}), std::nullopt);  // not UTF-8
}

}  // namespace
}  // namespace vantrel
