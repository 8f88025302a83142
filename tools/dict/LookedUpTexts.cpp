#include "tools/dict/LookedUpTexts.h"

#include <algorithm>
#include <string>

#include "protocol/ServerMessages.h"

namespace vantrel::tools {

namespace {

// Stands in for the parts that come from the server or from a failure at
// run time; the lines holding them cannot be translated in advance.
const std::string kRunTimeText = "\x01run-time text\x01";

// The error dialog shows the first line as it is and looks up each further line.
std::vector<std::string> TranslatedLines(const std::string& message) {
    std::vector<std::string> lines;
    std::size_t start = message.find("\r\n");
    while (start != std::string::npos) {
        start += 2;
        const std::size_t end = message.find("\r\n", start);
        lines.push_back(message.substr(start, end == std::string::npos ? end : end - start));
        start = end;
    }
    return lines;
}

}  // namespace

std::vector<texts::TSourceText> LookedUpTexts() {
    std::vector<texts::TSourceText> all = texts::SourceTexts();
    const std::string messages[] = {
        ConnectionErrorMessage(),
        NotSupportedMessage(),
        BadDataMessage(),
        ServerErrorMessage(kRunTimeText),
        IncorrectDataMessage(),
        SystemErrorMessage(kRunTimeText),
        UnverifiedReplyMessage(true),
        UnverifiedReplyMessage(false),
    };
    for (const std::string& message : messages) {
        for (const std::string& line : TranslatedLines(message)) {
            const bool known = std::any_of(all.begin(), all.end(),
                                           [&](const auto& text) { return text.Text == line; });
            if (!line.empty() && line != kRunTimeText && !known) {
                all.push_back({line, "error dialog, a line of an update server error"});
            }
        }
    }
    return all;
}

}  // namespace vantrel::tools
