#include "i18n/ValueStream.h"

#include <limits>

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

QString Utf16LeToQString(const char* bytes, std::size_t units) {
    QString text(static_cast<qsizetype>(units), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (std::size_t i = 0; i < units; ++i) {
        const auto low = static_cast<std::uint8_t>(bytes[2 * i]);
        const auto high = static_cast<std::uint8_t>(bytes[2 * i + 1]);
        out[i] = static_cast<char16_t>(low | (high << 8));
    }
    return text;
}

std::string ToCodePage(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
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

QString TValueReader::ReadWideString() {
    const char* bytes = nullptr;
    std::size_t count = 0;
    switch (ReadText(bytes, count)) {
        case TValueTag::WString:
            return Utf16LeToQString(bytes, count);
        case TValueTag::Utf8String:
            return QString::fromUtf8(bytes, static_cast<qsizetype>(count));
        default:
            return QString::fromLocal8Bit(bytes, static_cast<qsizetype>(count));
    }
}

std::string TValueReader::ReadString() {
    const char* bytes = nullptr;
    std::size_t count = 0;
    switch (ReadText(bytes, count)) {
        case TValueTag::WString:
            return ToCodePage(Utf16LeToQString(bytes, count));
        case TValueTag::Utf8String:
            return ToCodePage(QString::fromUtf8(bytes, static_cast<qsizetype>(count)));
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
        FBytes.append(static_cast<char>((value >> shift) & 0xFF));
    }
}

void TValueWriter::WriteWideString(const QString& text) {
    WriteTag(TValueTag::WString);
    WriteUInt32(static_cast<std::uint32_t>(text.size()));
    for (const QChar unit : text) {
        FBytes.append(static_cast<char>(unit.unicode() & 0xFF));
        FBytes.append(static_cast<char>(unit.unicode() >> 8));
    }
}

void TValueWriter::WriteString(const std::string& text) {
    if (text.size() <= std::numeric_limits<std::uint8_t>::max()) {
        WriteTag(TValueTag::String);
        FBytes.append(static_cast<char>(text.size()));
    } else {
        if (text.size() > std::numeric_limits<std::int32_t>::max()) {
            throw std::length_error("a text is too long to be stored");
        }
        WriteTag(TValueTag::LString);
        WriteUInt32(static_cast<std::uint32_t>(text.size()));
    }
    FBytes.append(text.data(), static_cast<qsizetype>(text.size()));
}

void TValueWriter::WriteInteger(std::int32_t value) {
    if (value >= std::numeric_limits<std::int8_t>::min() &&
        value <= std::numeric_limits<std::int8_t>::max()) {
        WriteTag(TValueTag::Int8);
        FBytes.append(static_cast<char>(value));
    } else if (value >= std::numeric_limits<std::int16_t>::min() &&
               value <= std::numeric_limits<std::int16_t>::max()) {
        WriteTag(TValueTag::Int16);
        FBytes.append(static_cast<char>(value & 0xFF));
        FBytes.append(static_cast<char>((value >> 8) & 0xFF));
    } else {
        WriteTag(TValueTag::Int32);
        WriteUInt32(static_cast<std::uint32_t>(value));
    }
}

void TValueWriter::WriteRawInt32(std::int32_t value) {
    WriteUInt32(static_cast<std::uint32_t>(value));
}

}  // namespace vantrel
