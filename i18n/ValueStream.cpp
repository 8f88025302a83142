#include "i18n/ValueStream.h"

#include <limits>

#include "i18n/UnicodeText.h"
#include "platform/TextConversion.h"

namespace vantrel {

namespace {

std::string HexByte(std::uint8_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[value >> 4] + kDigits[value & 0x0F];
}

bool IsTextTag(TValueTag tag) {
    return tag == TValueTag::String || tag == TValueTag::LString || tag == TValueTag::WString ||
           tag == TValueTag::Utf8String;
}

std::u16string Utf16LeToText(const char* bytes, std::size_t units) {
    std::u16string text(units, u'\0');
    for (std::size_t i = 0; i < units; ++i) {
        const auto low = static_cast<std::uint8_t>(bytes[2 * i]);
        const auto high = static_cast<std::uint8_t>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(low | (high << 8));
    }
    return text;
}

// A UTF-8 code page is decoded here rather than by the system, so that it
// reads exactly as the window side's Qt read it.
bool CodePageIsUtf8() {
    static const bool utf8 =
        platform::SystemCodePage() == "UTF-8" || platform::SystemCodePage() == "CP65001";
    return utf8;
}

// Other code pages convert whole when they can; a text that does not is
// taken character by character (up to four bytes each, as the longest
// multi-byte code pages need), and what no length converts becomes U+FFFD.
std::u16string FromCodePage(std::string_view bytes) {
    if (CodePageIsUtf8()) {
        return unicode::Utf8ToUtf16Lenient(bytes);
    }
    try {
        return platform::CodePageToUtf16(std::string(bytes));
    } catch (const std::runtime_error&) {
    }
    std::u16string wide;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t taken = 0;
        for (std::size_t length = 1; taken == 0 && length <= 4 && length <= bytes.size() - pos;
             ++length) {
            try {
                wide += platform::CodePageToUtf16(std::string(bytes.substr(pos, length)));
                taken = length;
            } catch (const std::runtime_error&) {
            }
        }
        if (taken == 0) {
            wide += static_cast<char16_t>(unicode::kReplacementCharacter);
            taken = 1;
        }
        pos += taken;
    }
    return wide;
}

// The reverse: a character that the code page cannot hold becomes "?", as
// the system's own conversions show it.
std::string ToCodePage(const std::u16string& text) {
    if (CodePageIsUtf8()) {
        return unicode::Utf16ToUtf8Lenient(text);
    }
    try {
        return platform::Utf16ToCodePage(text);
    } catch (const std::runtime_error&) {
    }
    std::string narrow;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        const std::size_t units = pair ? 2 : 1;
        try {
            narrow += platform::Utf16ToCodePage(text.substr(i, units));
        } catch (const std::runtime_error&) {
            narrow += '?';
        }
        i += units - 1;
    }
    return narrow;
}

}  // namespace

TStreamReadError::TStreamReadError(std::size_t offset, const std::string& message)
    : std::runtime_error(message), FOffset(offset) {}

void TValueReader::Fail(std::size_t offset, const std::string& message) const {
    throw TStreamReadError(offset, message);
}

std::uint8_t TValueReader::TakeByte() {
    return static_cast<std::uint8_t>(*Take(1));
}

const char* TValueReader::Take(std::size_t count) {
    if (count > Remaining()) {
        Fail(FPos,
             "the data end " + std::to_string(count - Remaining()) + " byte(s) short of a value");
    }
    const char* at = FData + FPos;
    FPos += count;
    return at;
}

std::uint32_t TValueReader::TakeUInt32() {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(Take(4));
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// A length is refused before anything is sized by it when the file cannot
// hold that many units any more; a negative length reads as a huge one.
std::size_t TValueReader::TakeLength(std::size_t unitSize) {
    const std::size_t at = FPos;
    const std::uint32_t count = TakeUInt32();
    if (count > Remaining() / unitSize) {
        Fail(at, "a length of " + std::to_string(count) + " exceeds the " +
                     std::to_string(Remaining()) + " byte(s) left");
    }
    return count;
}

TValueTag TValueReader::PeekTag() const {
    if (Remaining() == 0) {
        Fail(FPos, "the data end where a value is expected");
    }
    return static_cast<TValueTag>(FData[FPos]);
}

void TValueReader::Expect(TValueTag tag) {
    const std::size_t at = FPos;
    const std::uint8_t found = TakeByte();
    if (found != static_cast<std::uint8_t>(tag)) {
        Fail(at, "tag " + HexByte(found) + " where " + HexByte(static_cast<std::uint8_t>(tag)) +
                     " is expected");
    }
}

void TValueReader::ReadListBegin() {
    Expect(TValueTag::List);
}

void TValueReader::ReadListEnd() {
    Expect(TValueTag::Null);
}

TValueTag TValueReader::ReadText(const char*& bytes, std::size_t& count) {
    const std::size_t at = FPos;
    const auto tag = static_cast<TValueTag>(TakeByte());
    if (!IsTextTag(tag)) {
        Fail(at, "tag " + HexByte(static_cast<std::uint8_t>(tag)) + " where a text is expected");
    }
    if (tag == TValueTag::String) {
        count = TakeByte();
        if (count > Remaining()) {
            Fail(at + 1, "a length of " + std::to_string(count) + " exceeds the " +
                             std::to_string(Remaining()) + " byte(s) left");
        }
    } else {
        count = TakeLength(tag == TValueTag::WString ? 2 : 1);
    }
    bytes = Take(tag == TValueTag::WString ? 2 * count : count);
    return tag;
}

std::u16string TValueReader::ReadWideString() {
    const char* bytes = nullptr;
    std::size_t count = 0;
    switch (ReadText(bytes, count)) {
        case TValueTag::WString:
            return Utf16LeToText(bytes, count);
        case TValueTag::Utf8String:
            return unicode::Utf8ToUtf16Lenient({bytes, count});
        default:
            return FromCodePage({bytes, count});
    }
}

std::string TValueReader::ReadString() {
    const char* bytes = nullptr;
    std::size_t count = 0;
    switch (ReadText(bytes, count)) {
        case TValueTag::WString:
            return ToCodePage(Utf16LeToText(bytes, count));
        case TValueTag::Utf8String:
            return ToCodePage(unicode::Utf8ToUtf16Lenient({bytes, count}));
        default:
            return {bytes, count};
    }
}

std::int32_t TValueReader::ReadInteger() {
    const std::size_t at = FPos;
    const std::uint8_t tag = TakeByte();
    switch (static_cast<TValueTag>(tag)) {
        case TValueTag::Int8:
            return static_cast<std::int8_t>(TakeByte());
        case TValueTag::Int16: {
            const std::uint16_t low = TakeByte();
            const std::uint16_t high = TakeByte();
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
        }
        case TValueTag::Int32:
            return static_cast<std::int32_t>(TakeUInt32());
        default:
            Fail(at, "tag " + HexByte(tag) + " where an integer is expected");
    }
}

std::int32_t TValueReader::ReadRawInt32() {
    return static_cast<std::int32_t>(TakeUInt32());
}

void TValueWriter::WriteUInt32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        FBytes += static_cast<char>((value >> shift) & 0xFF);
    }
}

void TValueWriter::WriteWideString(const std::u16string& text) {
    if (text.size() > std::numeric_limits<std::int32_t>::max()) {
        throw std::length_error("a text is too long to be stored");
    }
    WriteTag(TValueTag::WString);
    WriteUInt32(static_cast<std::uint32_t>(text.size()));
    for (const char16_t unit : text) {
        FBytes += static_cast<char>(unit & 0xFF);
        FBytes += static_cast<char>(unit >> 8);
    }
}

void TValueWriter::WriteString(const std::string& text) {
    if (text.size() <= std::numeric_limits<std::uint8_t>::max()) {
        WriteTag(TValueTag::String);
        FBytes += static_cast<char>(text.size());
    } else {
        if (text.size() > std::numeric_limits<std::int32_t>::max()) {
            throw std::length_error("a text is too long to be stored");
        }
        WriteTag(TValueTag::LString);
        WriteUInt32(static_cast<std::uint32_t>(text.size()));
    }
    FBytes += text;
}

void TValueWriter::WriteInteger(std::int32_t value) {
    if (value >= std::numeric_limits<std::int8_t>::min() &&
        value <= std::numeric_limits<std::int8_t>::max()) {
        WriteTag(TValueTag::Int8);
        FBytes += static_cast<char>(value);
    } else if (value >= std::numeric_limits<std::int16_t>::min() &&
               value <= std::numeric_limits<std::int16_t>::max()) {
        WriteTag(TValueTag::Int16);
        FBytes += static_cast<char>(value & 0xFF);
        FBytes += static_cast<char>((value >> 8) & 0xFF);
    } else {
        WriteTag(TValueTag::Int32);
        WriteUInt32(static_cast<std::uint32_t>(value));
    }
}

void TValueWriter::WriteRawInt32(std::int32_t value) {
    WriteUInt32(static_cast<std::uint32_t>(value));
}

}  // namespace vantrel
