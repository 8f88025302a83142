// The texts that change while the program runs (the main window's labels, the
// information panel's headings, the tray hint, the popups) are English
// templates with bracketed placeholders. A template is also the dictionary key
// of its translations, and a translator may move or drop placeholders, so a
// text is always translated first and expanded second.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

class TSFTranslateRepository;

// What the placeholders stand for, as the main window holds it at the moment
// of the expansion.
struct TTemplateValues {
    // `ProductTitle` of the server's reply: 8-bit text in the system code page.
    std::string ProductTitle;
    // `FNewVersionText` and `FInstalledVersionText`: dotted four-part versions.
    QString NewVersionText;
    QString InstalledVersionText;
    // The progress bar's `Position` and `Max`, in bytes of the package.
    std::int32_t Position = 0;
    std::int32_t Max = 100;
};

// Replaces every occurrence of `placeholder` in `text` by `value`. The search
// continues after each inserted value, so a value that holds its own
// placeholder is inserted once and not expanded again.
void ReplaceAll(const QString& placeholder, const QString& value, QString& text);

// The download percentage with its sign: "42%". Halves go to the even
// neighbour, as in the progress bar's own percent box, and a maximum of 0
// gives "0%".
QString DownloadProgressText(std::int32_t position, std::int32_t max);

// Replaces the placeholders one kind after the other: "[APPTITLE]",
// "[PROD_TITLE]", "[PROD_VERSION]", "[INSTALLED_VERSION]", "[\NL]" and
// "[DOWNLOAD_PROGRESS]". A value inserted by an earlier kind is subject to the
// later ones: a product title holding "[\NL]" is split over two lines.
QString ExpandTemplate(const QString& templ, const TTemplateValues& values);

// Ordinary string formatting as translators know it, for the few texts
// that take values by "%s" rather than by placeholders: each "%s" takes the
// next value, "%%" is a percent sign, and a "%s" without a value is kept.
// Values are inserted, never read as formats.
QString FormatText(const QString& format, const std::vector<QString>& values);

// The translation of an English template in the repository's current
// language, expanded.
QString TranslateTemplate(TSFTranslateRepository& repository, const std::string& templ,
                          const TTemplateValues& values);

}  // namespace vantrel
