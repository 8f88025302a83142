#include "window/controller/TextTemplates.h"

#include <stdexcept>
#include <string>

#include "core/SourceTexts.h"
#include "i18n/UnicodeText.h"
#include "platform/TextConversion.h"
#include "window/controls/Percent.h"

namespace vantrel {

void ReplaceAll(std::u16string_view placeholder, std::u16string_view value, std::u16string& text) {
    if (placeholder.empty())
        return;
    std::size_t at = text.find(placeholder);
    while (at != std::u16string::npos) {
        text.replace(at, placeholder.size(), value);
        at = text.find(placeholder, at + value.size());
    }
}

std::u16string DownloadProgressText(std::int32_t position, std::int32_t max) {
    return Utf8Text(std::to_string(NearestPercent(position, max))) + u'%';
}

std::u16string ExpandTemplate(std::u16string templ, const TTemplateValues& values) {
    // The program's name is never translated.
    static const std::u16string appTitle = Utf8Text(texts::kAppTitle);
    ReplaceAll(u"[APPTITLE]", appTitle, templ);
    ReplaceAll(u"[PROD_TITLE]", LocalText(values.ProductTitle), templ);
    ReplaceAll(u"[PROD_VERSION]", values.NewVersionText, templ);
    ReplaceAll(u"[INSTALLED_VERSION]", values.InstalledVersionText, templ);
    ReplaceAll(u"[\\NL]", u"\r\n", templ);
    ReplaceAll(u"[DOWNLOAD_PROGRESS]", DownloadProgressText(values.Position, values.Max), templ);
    return templ;
}

std::u16string FormatText(std::u16string_view format, const std::vector<std::u16string>& values) {
    std::u16string text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size()) {
            if (format[i + 1] == u'%') {
                text += u'%';
                ++i;
                continue;
            }
            if (format[i + 1] == u's' && next < values.size()) {
                text += values[next++];
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

std::u16string MessageText(std::u16string translation, std::string_view english,
                           const std::vector<std::u16string>& values) {
    if (translation.empty())
        translation = Utf8Text(english);
    return FormatText(translation, values);
}

std::u16string LocalText(std::string_view text) {
    const std::string& codePage = platform::SystemCodePage();
    if (codePage != "UTF-8") {
        try {
            return platform::CodePageToUtf16(std::string(text));
        } catch (const std::runtime_error&) {
            // Read as UTF-8 below, so that a damaged title still shows.
        }
    }
    return unicode::Utf8ToUtf16Lenient(text);
}

std::u16string Utf8Text(std::string_view text) {
    return unicode::Utf8ToUtf16Lenient(text);
}

}  // namespace vantrel
