// Making reply texts safe to show: valid UTF-8, and one line on a terminal.
#pragma once

#include <string>

namespace vantrel::tools {

// Text of the system code page as UTF-8. Unlike the client's conversion it
// never fails: each byte that does not belong to a valid sequence becomes
// U+FFFD, because an inspector must show damaged texts rather than refuse them.
std::string CodePageToUtf8Lossy(const std::string& text);

// The same for text meant to be UTF-8 already (minisign's comments).
std::string Utf8Lossy(const std::string& text);

// UTF-8 text in double quotes, with quotes, backslashes and control
// characters (C0, DEL and C1) escaped, so that no byte of a reply can move
// the cursor or start a terminal escape sequence.
std::string Quoted(const std::string& utf8);

}  // namespace vantrel::tools
