// What the error dialog shows of a failed query's error text. The text's
// first line is a heading in the query's or the server's own words; each
// further line is looked up in the dictionary on its own, so that a known
// reason reads in the user's language whatever its neighbours say.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

class TSFTranslateRepository;

struct TErrorText {
    std::u16string Heading;
    std::u16string Message;
};

// Lines are split at CR LF only. A text of one line has the translated
// "Error" as its heading and is translated whole.
TErrorText ErrorTextFor(std::string_view text, TSFTranslateRepository& repository);

// The vendor's download page, which the dialog's link opens.
std::string DownloadPageURL();

}  // namespace vantrel
