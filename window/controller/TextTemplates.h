// The texts that change while the program runs (the main window's labels, the
// information panel's headings, the tray hint, the popups) are English
// templates with bracketed placeholders. A template is also the dictionary key
// of its translations, and a translator may move or drop placeholders, so a
// text is always translated first and expanded second.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// What the placeholders stand for, as the main window holds it at the moment
// of the expansion.
struct TTemplateValues {
    // `ProductTitle` of the server's reply: 8-bit text in the system code page.
    std::string ProductTitle;
    // The offered and the installed version: dotted four-part versions.
    std::u16string NewVersionText;
    std::u16string InstalledVersionText;
    // The transfer's position and total, in bytes of the package.
    std::int32_t Position = 0;
    std::int32_t Max = 100;
};

// Replaces every occurrence of `placeholder` in `text` by `value`. The search
// continues after each inserted value, so a value that holds its own
// placeholder is inserted once and not expanded again.
void ReplaceAll(std::u16string_view placeholder, std::u16string_view value, std::u16string& text);

// The download percentage with its sign: "42%". Halves go to the even
// neighbour, as in the progress bar's own percent box, and a maximum of 0
// gives "0%".
std::u16string DownloadProgressText(std::int32_t position, std::int32_t max);

// Replaces the placeholders one kind after the other: "[APPTITLE]",
// "[PROD_TITLE]", "[PROD_VERSION]", "[INSTALLED_VERSION]", "[\NL]" and
// "[DOWNLOAD_PROGRESS]". A value inserted by an earlier kind is subject to the
// later ones: a product title holding "[\NL]" is split over two lines.
std::u16string ExpandTemplate(std::u16string templ, const TTemplateValues& values);

// Ordinary string formatting as translators know it, for the few texts
// that take values by "%s" rather than by placeholders: each "%s" takes the
// next value, "%%" is a percent sign, and a "%s" without a value is kept.
// Values are inserted, never read as formats.
std::u16string FormatText(std::u16string_view format, const std::vector<std::u16string>& values);

// A message for a box: `translation`, or the English text when the
// dictionary has none in this language (a box must still say something),
// with its "%s" places filled after the lookup.
std::u16string MessageText(std::u16string translation, std::string_view english,
                           const std::vector<std::u16string>& values);

// Text of the server or of the system in the system code page (8-bit), read
// as the windows always read it: a byte the code page cannot read becomes a
// replacement character instead of failing.
std::u16string LocalText(std::string_view text);
// ASCII or UTF-8 text of the program itself.
std::u16string Utf8Text(std::string_view text);

}  // namespace vantrel
