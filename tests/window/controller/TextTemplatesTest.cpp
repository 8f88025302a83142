#include "window/controller/TextTemplates.h"

#include <gtest/gtest.h>

#include <string>

#include "core/SourceTexts.h"

namespace vantrel {
namespace {

std::u16string Q(std::string_view text) {
    return Utf8Text(text);
}

TTemplateValues Values() {
    TTemplateValues values;
    values.ProductTitle = "Orbisk Notes";
    values.NewVersionText = u"4.0.0.2";
    values.InstalledVersionText = u"3.9.1.0";
    values.Position = 420;
    values.Max = 1000;
    return values;
}

TEST(ExpandTemplate, EveryPlaceholderOfTheTemplates) {
    const TTemplateValues values = Values();
    EXPECT_EQ(ExpandTemplate(Q(texts::kHintDownloading), values),
              u"Vantrel\r\nOrbisk Notes\r\nDownloading version 4.0.0.2\r\nDownloaded 42%");
    EXPECT_EQ(ExpandTemplate(Q(texts::kCurrentVersion), values), u"Current version: 3.9.1.0");
    EXPECT_EQ(ExpandTemplate(Q(texts::kPopupDownloadedText), values),
              u"Orbisk Notes version 4.0.0.2 has been downloaded.");
    EXPECT_EQ(ExpandTemplate(Q(texts::kUpToDate), values), u"Your product is up to date!");
}

TEST(ExpandTemplate, RepeatsEdgeLineBreaksCaseAndUnknownWords) {
    const TTemplateValues values = Values();
    EXPECT_EQ(ExpandTemplate(u"[PROD_VERSION]/[PROD_VERSION]/[PROD_VERSION]", values),
              u"4.0.0.2/4.0.0.2/4.0.0.2");
    EXPECT_EQ(ExpandTemplate(u"[\\NL]a[\\NL]", values), u"\r\na\r\n");
    EXPECT_EQ(ExpandTemplate(u"[prod_title] [Apptitle] [VERSION] [\\nl]", values),
              u"[prod_title] [Apptitle] [VERSION] [\\nl]");
    EXPECT_EQ(ExpandTemplate(u"[PROD_TITLE[APPTITLE]]", values), u"[PROD_TITLEVantrel]");
}

TEST(ExpandTemplate, UnsetValuesExpandToNothing) {
    EXPECT_EQ(ExpandTemplate(Q(texts::kPopupDownloadedText), TTemplateValues{}),
              u" version  has been downloaded.");
}

// Each kind is replaced over the whole text before the next, so what an
// earlier value brings in meets the later kinds, but not the earlier ones.
TEST(ExpandTemplate, ProductTitleMeetsOnlyTheLaterPlaceholders) {
    TTemplateValues values = Values();
    values.ProductTitle = "Orbisk[\\NL]Notes [PROD_VERSION] [APPTITLE]";
    EXPECT_EQ(ExpandTemplate(Q(texts::kAboutProduct), values),
              u"About Orbisk\r\nNotes 4.0.0.2 [APPTITLE]");
    EXPECT_EQ(ExpandTemplate(Q(texts::kHintUpToDate), values),
              u"Vantrel\r\nOrbisk\r\nNotes 4.0.0.2 [APPTITLE] is up to date.");
}

TEST(ExpandTemplate, ValueHoldingItsOwnPlaceholderIsInsertedOnce) {
    TTemplateValues values = Values();
    values.ProductTitle = "[PROD_TITLE]x";
    EXPECT_EQ(ExpandTemplate(u"[PROD_TITLE] and [PROD_TITLE]", values),
              u"[PROD_TITLE]x and [PROD_TITLE]x");

    std::u16string text = u"aa";
    ReplaceAll(u"a", u"aa", text);
    EXPECT_EQ(text, u"aaaa");
    ReplaceAll(u"", u"x", text);  // nothing to look for
    EXPECT_EQ(text, u"aaaa");
}

TEST(ExpandTemplate, NonAsciiProductTitleIsWidenedFromTheCodePage) {
    TTemplateValues values = Values();
    values.ProductTitle = "Caf\xC3\xA9 \xE6\x97\xA5\xE8\xA8\x98 \xF0\x9F\x93\x9D";  // UTF-8
    EXPECT_EQ(ExpandTemplate(Q(texts::kAboutProduct), values),
              std::u16string(u"About Caf\u00E9 \u65E5\u8A18 \U0001F4DD"));
}

TEST(DownloadProgress, RoundsHalvesToEvenWithoutOverflow) {
    TTemplateValues values = Values();
    auto at = [&](std::int32_t position, std::int32_t max) {
        values.Position = position;
        values.Max = max;
        // The tray hint's last line.
        const std::u16string hint = ExpandTemplate(Q(texts::kHintPaused), values);
        return hint.substr(hint.rfind(u"\r\n") + 2);
    };
    EXPECT_EQ(at(1000, 3000), u"Paused (33%)");
    EXPECT_EQ(at(1500, 4000), u"Paused (38%)");  // 37.5
    EXPECT_EQ(at(850, 2000), u"Paused (42%)");   // 42.5
    EXPECT_EQ(at(0, 100), u"Paused (0%)");
    EXPECT_EQ(at(3000, 3000), u"Paused (100%)");
    EXPECT_EQ(at(0, 0), u"Paused (0%)");
    EXPECT_EQ(at(5, 0), u"Paused (0%)");

    EXPECT_EQ(DownloadProgressText(21'474'837, 42'949'674), u"50%");
    EXPECT_EQ(DownloadProgressText(536'870'912, 536'870'912), u"100%");
    EXPECT_EQ(DownloadProgressText(2'147'483'647, 2'147'483'647), u"100%");
    EXPECT_EQ(DownloadProgressText(1'073'741'823, 2'147'483'647), u"50%");   // just under a half
    EXPECT_EQ(DownloadProgressText(1'990'000'000, 2'000'000'000), u"100%");  // 99.5
    EXPECT_EQ(DownloadProgressText(1'970'000'000, 2'000'000'000), u"98%");   // 98.5
    EXPECT_EQ(DownloadProgressText(-25, 100), u"-25%");
    EXPECT_EQ(DownloadProgressText(-5, 200), u"-2%");  // -2.5
    EXPECT_EQ(DownloadProgressText(-7, 200), u"-4%");  // -3.5
}

}  // namespace
}  // namespace vantrel
