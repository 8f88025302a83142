#include "controller/TextTemplates.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/SourceTexts.h"
#include "i18n/SFTranslateRepository.h"

QT_BEGIN_NAMESPACE
// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace vantrel {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

TTemplateValues Values() {
    TTemplateValues values;
    values.ProductTitle = "Orbisk Notes";
    values.NewVersionText = QStringLiteral("4.0.0.2");
    values.InstalledVersionText = QStringLiteral("3.9.1.0");
    values.Position = 420;
    values.Max = 1000;
    return values;
}

TEST(ExpandTemplate, EveryPlaceholderOfTheTemplates) {
    const TTemplateValues values = Values();
    EXPECT_EQ(ExpandTemplate(Q(texts::kHintDownloading), values),
              "Vantrel\r\nOrbisk Notes\r\nDownloading version 4.0.0.2\r\nDownloaded 42%");
    EXPECT_EQ(ExpandTemplate(Q(texts::kCurrentVersion), values), "Current version: 3.9.1.0");
    EXPECT_EQ(ExpandTemplate(Q(texts::kPopupDownloadedText), values),
              "Orbisk Notes version 4.0.0.2 has been downloaded.");
    EXPECT_EQ(ExpandTemplate(Q(texts::kUpToDate), values), "Your product is up to date!");
}

TEST(ExpandTemplate, RepeatsEdgeLineBreaksCaseAndUnknownWords) {
    const TTemplateValues values = Values();
    EXPECT_EQ(
        ExpandTemplate(QStringLiteral("[PROD_VERSION]/[PROD_VERSION]/[PROD_VERSION]"), values),
        "4.0.0.2/4.0.0.2/4.0.0.2");
    EXPECT_EQ(ExpandTemplate(QStringLiteral("[\\NL]a[\\NL]"), values), "\r\na\r\n");
    EXPECT_EQ(ExpandTemplate(QStringLiteral("[prod_title] [Apptitle] [VERSION] [\\nl]"), values),
              "[prod_title] [Apptitle] [VERSION] [\\nl]");
    EXPECT_EQ(ExpandTemplate(QStringLiteral("[PROD_TITLE[APPTITLE]]"), values),
              "[PROD_TITLEVantrel]");
}

TEST(ExpandTemplate, UnsetValuesExpandToNothing) {
    EXPECT_EQ(ExpandTemplate(Q(texts::kPopupDownloadedText), TTemplateValues{}),
              " version  has been downloaded.");
}

// Each kind is replaced over the whole text before the next, so what an
// earlier value brings in meets the later kinds, but not the earlier ones.
TEST(ExpandTemplate, ProductTitleMeetsOnlyTheLaterPlaceholders) {
    TTemplateValues values = Values();
    values.ProductTitle = "Orbisk[\\NL]Notes [PROD_VERSION] [APPTITLE]";
    EXPECT_EQ(ExpandTemplate(Q(texts::kAboutProduct), values),
              "About Orbisk\r\nNotes 4.0.0.2 [APPTITLE]");
    EXPECT_EQ(ExpandTemplate(Q(texts::kHintUpToDate), values),
              "Vantrel\r\nOrbisk\r\nNotes 4.0.0.2 [APPTITLE] is up to date.");
}

TEST(ExpandTemplate, ValueHoldingItsOwnPlaceholderIsInsertedOnce) {
    TTemplateValues values = Values();
    values.ProductTitle = "[PROD_TITLE]x";
    EXPECT_EQ(ExpandTemplate(QStringLiteral("[PROD_TITLE] and [PROD_TITLE]"), values),
              "[PROD_TITLE]x and [PROD_TITLE]x");

    QString text = QStringLiteral("aa");
    ReplaceAll(QStringLiteral("a"), QStringLiteral("aa"), text);
    EXPECT_EQ(text, "aaaa");
    ReplaceAll(QString(), QStringLiteral("x"), text);  // nothing to look for
    EXPECT_EQ(text, "aaaa");
}

TEST(ExpandTemplate, NonAsciiProductTitleIsWidenedFromTheCodePage) {
    TTemplateValues values = Values();
    values.ProductTitle = "Caf\xC3\xA9 \xE6\x97\xA5\xE8\xA8\x98 \xF0\x9F\x93\x9D";  // UTF-8
    EXPECT_EQ(ExpandTemplate(Q(texts::kAboutProduct), values),
              QStringLiteral("About Caf\u00E9 \u65E5\u8A18 ") + QString::fromUcs4(U"\U0001F4DD"));
}

TEST(DownloadProgress, RoundsHalvesToEvenWithoutOverflow) {
    TTemplateValues values = Values();
    auto at = [&](std::int32_t position, std::int32_t max) {
        values.Position = position;
        values.Max = max;
        // The tray hint's last line.
        return ExpandTemplate(Q(texts::kHintPaused), values).section(QStringLiteral("\r\n"), -1);
    };
    EXPECT_EQ(at(1000, 3000), "Paused (33%)");
    EXPECT_EQ(at(1500, 4000), "Paused (38%)");  // 37.5
    EXPECT_EQ(at(850, 2000), "Paused (42%)");   // 42.5
    EXPECT_EQ(at(0, 100), "Paused (0%)");
    EXPECT_EQ(at(3000, 3000), "Paused (100%)");
    EXPECT_EQ(at(0, 0), "Paused (0%)");
    EXPECT_EQ(at(5, 0), "Paused (0%)");

    EXPECT_EQ(DownloadProgressText(21'474'837, 42'949'674), "50%");
    EXPECT_EQ(DownloadProgressText(536'870'912, 536'870'912), "100%");
    EXPECT_EQ(DownloadProgressText(2'147'483'647, 2'147'483'647), "100%");
    EXPECT_EQ(DownloadProgressText(1'073'741'823, 2'147'483'647), "50%");   // just under a half
    EXPECT_EQ(DownloadProgressText(1'990'000'000, 2'000'000'000), "100%");  // 99.5
    EXPECT_EQ(DownloadProgressText(1'970'000'000, 2'000'000'000), "98%");   // 98.5
    EXPECT_EQ(DownloadProgressText(-25, 100), "-25%");
    EXPECT_EQ(DownloadProgressText(-5, 200), "-2%");  // -2.5
    EXPECT_EQ(DownloadProgressText(-7, 200), "-4%");  // -3.5
}

// What a translator writes replaces the English template, placeholders and all.
TEST(TranslateTemplate, TranslatesThenExpands) {
    TSFTranslateRepository source;
    source.SetLanguages({{u"English", {}, 0}, {u"Deutsch", {}, 0}});
    source.AddWord(std::string(texts::kNewVersion), {u"[PROD_TITLE] [PROD_VERSION] ist da"});
    TSFTranslateRepository repository;
    ASSERT_TRUE(repository.LoadDictionaryData(source.StoreDictionary()))
        << repository.LastLoadError();
    repository.SetCurrentLanguage(u"Deutsch");

    const TTemplateValues values = Values();
    EXPECT_EQ(TranslateTemplate(repository, std::string(texts::kNewVersion), values),
              "Orbisk Notes 4.0.0.2 ist da");
    // No translation: the English template is expanded.
    EXPECT_EQ(TranslateTemplate(repository, std::string(texts::kCommandDownloaded), values),
              "Ready to install version 4.0.0.2. Click here to begin");
}

}  // namespace
}  // namespace vantrel
