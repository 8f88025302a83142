// UTF-8 and UTF-16 read and written the way the window side's Qt always did
// for the dictionary, so that a file means the same text with or without Qt:
// damaged bytes become replacement characters instead of failing the read,
// and keys upper-case as Qt's QString::toUpper() does.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel::unicode {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;
// What DecodeUtf8 gives for a byte that does not start a well-formed sequence.
inline constexpr char32_t kNotDecoded = 0xFFFFFFFF;

// The code point of the sequence at `pos` (which must be inside the text),
// with `pos` moved past it. A byte that does not start a well-formed
// sequence (overlong, a surrogate, beyond U+10FFFF, cut short) is skipped
// alone and gives kNotDecoded: the bytes after it are read afresh, so one
// damaged sequence costs one replacement per byte, as with Qt.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
void AppendUtf8(char32_t codePoint, std::string& out);

// Every byte that does not start a well-formed sequence becomes U+FFFD, and
// a byte order mark at the very start is dropped. `damaged`, when given,
// says whether anything was replaced.
std::u16string Utf8ToUtf16Lenient(std::string_view text, bool* damaged = nullptr);
// A surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8Lenient(std::u16string_view text);

// Appends the upper case of a code point as UTF-8: the simple mapping of
// UnicodeData.txt, or the unconditional full one of SpecialCasing.txt where
// there is one ("ß" becomes "SS"); no language or context rules apply.
void AppendUpperCaseUtf8(char32_t codePoint, std::string& out);

}  // namespace vantrel::unicode
