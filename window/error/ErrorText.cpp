#include "window/error/ErrorText.h"

#include "core/BuildConfig.h"
#include "core/SourceTexts.h"
#include "i18n/SFTranslateRepository.h"
#include "window/controller/TextTemplates.h"

namespace vantrel {
namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

TErrorText ErrorTextFor(std::string_view text, TSFTranslateRepository& repository) {
    const auto translate = [&repository](std::string_view line) {
        return repository.Translate(std::string(line));
    };
    TErrorText shown;
    std::string_view::size_type lineEnd = text.find(kCrLf);
    if (lineEnd == std::string_view::npos) {
        shown.Heading = translate(texts::kErrorTitle);
        shown.Message = translate(text);
        return shown;
    }
    // The heading is the server's or the query's own wording: never looked up.
    shown.Heading = LocalText(text.substr(0, lineEnd));
    std::string_view rest = text.substr(lineEnd + kCrLf.size());
    while ((lineEnd = rest.find(kCrLf)) != std::string_view::npos) {
        shown.Message += translate(rest.substr(0, lineEnd)) + u"\r\n";
        rest.remove_prefix(lineEnd + kCrLf.size());
    }
    if (!rest.empty())
        shown.Message += translate(rest);
    return shown;
}

std::string DownloadPageURL() {
    return VendorWebSite() + "/download.php";
}

}  // namespace vantrel
