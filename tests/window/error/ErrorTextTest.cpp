// The error dialog's heading and message, made from an error text with a
// dictionary that knows some of its lines.
#include "window/error/ErrorText.h"

#include <gtest/gtest.h>

#include "i18n/SFTranslateRepository.h"

namespace vantrel {
namespace {

TEST(ErrorText, SplitsTheHeadingAndTranslatesEachLine) {
    TSFTranslateRepository source;
    source.SetLanguages({{u"English", {}, 0}, {u"German", {}, 0}});
    source.AddWord("Error", {u"Fehler"});
    source.AddWord("Heading", {u"\u00dcberschrift"});
    source.AddWord("Line B", {u"Zeile B"});
    source.AddWord("Line C", {u"Zeile C"});
    TSFTranslateRepository repository;
    ASSERT_TRUE(repository.LoadDictionaryData(source.StoreDictionary()));
    repository.SetCurrentLanguage(u"German");

    struct Row {
        const char* Name;
        const char* Text;
        std::u16string Heading;
        std::u16string Message;
    };
    const Row rows[] = {
        {"no line break", "Line B", u"Fehler", u"Zeile B"},
        {"three lines", "Heading\r\nLine B\r\nLine C", u"Heading", u"Zeile B\r\nZeile C"},
        {"trailing line break", "Heading\r\nLine B\r\n", u"Heading", u"Zeile B\r\n"},
        {"empty middle line", "Heading\r\n\r\nLine C", u"Heading", u"\r\nZeile C"},
        {"heading only", "Heading\r\n", u"Heading", u""},
        {"untranslated line", "Heading\r\nNot in the dictionary", u"Heading",
         u"Not in the dictionary"},
        {"lone line feed is no break", "Heading\nLine B", u"Fehler", u"Heading\nLine B"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const TErrorText shown = ErrorTextFor(row.Text, repository);
        EXPECT_EQ(shown.Heading, row.Heading);
        EXPECT_EQ(shown.Message, row.Message);
    }
}

}  // namespace
}  // namespace vantrel
