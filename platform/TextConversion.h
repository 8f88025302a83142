// Conversions between the system code page, UTF-8 and UTF-16 (glibc iconv).
#pragma once

#include <string>

namespace vantrel::platform {

// The system code page: the locale's character set, taken after the first
// call has adopted the environment's locale. A plain "C"/"POSIX" locale
// (ASCII) counts as UTF-8, as it does for Qt on the window side, so that the
// two sides never disagree about the same bytes.
const std::string& SystemCodePage();

// Each throws std::runtime_error naming the conversion when the text holds a
// sequence that is not valid in its source encoding or has no equivalent in
// the target one.
std::string CodePageToUtf8(const std::string& text);
std::string Utf8ToCodePage(const std::string& text);
std::u16string CodePageToUtf16(const std::string& text);
std::string Utf16ToCodePage(const std::u16string& text);
std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace vantrel::platform
