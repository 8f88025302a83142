// The shipped translations against the texts the program looks up.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "i18n/SFTranslateRepository.h"
#include "i18n/StDict.h"
#include "i18n/UnicodeText.h"
#include "tests/support/TempDir.h"
#include "tools/dict/LookedUpTexts.h"
#include "tools/dict/PoCatalog.h"

namespace vantrel {
namespace {

std::string TranslationsDir() {
    return (test::SourceDir() / "resources" / "translations").string();
}

std::map<std::string, std::string> Messages(const tools::TPoCatalog& catalog) {
    std::map<std::string, std::string> messages;
    for (const tools::TPoEntry& entry : catalog.Entries) {
        messages[entry.MsgId] = entry.MsgStr;
    }
    return messages;
}

TEST(SourceTextsTest, EveryLookedUpTextIsInTheTemplateAndNothingElse) {
    const auto pot = tools::ReadPoCatalog(TranslationsDir() + "/vantrel.pot");
    const auto inTemplate = Messages(pot);
    std::set<std::string> lookedUp;
    for (const auto& text : tools::LookedUpTexts()) {
        EXPECT_TRUE(inTemplate.count(text.Text)) << "missing from vantrel.pot: " << text.Text;
        lookedUp.insert(text.Text);
    }
    for (const auto& [msgid, msgstr] : inTemplate) {
        EXPECT_TRUE(lookedUp.count(msgid)) << "vantrel.pot holds a text nobody looks up: " << msgid;
    }
}

TEST(SourceTextsTest, NoTwoTextsShareADictionaryKey) {
    std::map<std::string, std::string> byFolded;
    for (const auto& text : tools::LookedUpTexts()) {
        const auto [at, added] = byFolded.emplace(FoldKey(text.Text), text.Text);
        EXPECT_TRUE(added) << "\"" << text.Text << "\" and \"" << at->second << "\"";
        EXPECT_FALSE(text.Context.empty()) << text.Text;
    }
}

TEST(SourceTextsTest, GermanTranslatesEveryTextAndKeepsTheFormatDirective) {
    const auto german = tools::ReadPoCatalog(TranslationsDir() + "/de.po");
    EXPECT_EQ(german.LanguageName, "Deutsch");
    const auto translations = Messages(german);
    for (const auto& text : tools::LookedUpTexts()) {
        const auto found = translations.find(text.Text);
        ASSERT_NE(found, translations.end()) << "de.po lacks: " << text.Text;
        EXPECT_FALSE(found->second.empty()) << "de.po leaves untranslated: " << text.Text;
        // Format directives ("%s") must survive translation one for one.
        const auto count = [](const std::string& s) {
            int directives = 0;
            for (std::size_t i = 0; i + 1 < s.size(); ++i) {
                directives += s[i] == '%' && s[i + 1] >= 'a' && s[i + 1] <= 'z';
            }
            return directives;
        };
        EXPECT_EQ(count(found->second), count(text.Text)) << text.Text;
    }
}

TEST(SourceTextsTest, BuiltDictionaryBesideTheProgramHoldsTheGermanTexts) {
    TSFTranslateRepository repository;
    const auto path = test::BinDir() / "translation.dat";
    ASSERT_TRUE(repository.LoadDictionary(path.string())) << repository.LastLoadError();
    repository.SetCurrentLanguage(u"deutsch");
    ASSERT_EQ(repository.CurrentLanguage(), u"Deutsch");
    const auto translations = Messages(tools::ReadPoCatalog(TranslationsDir() + "/de.po"));
    for (const auto& text : tools::LookedUpTexts()) {
        EXPECT_EQ(unicode::Utf16ToUtf8Lenient(repository.Translate(text.Text)),
                  translations.at(text.Text))
            << text.Text;
    }
    EXPECT_EQ(repository.Translate("Hide"), u"Ausblenden");
}

}  // namespace
}  // namespace vantrel
