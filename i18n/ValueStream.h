// The tagged value format of stored component data: the dictionary file and
// its entries are read and written through these two classes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantrel {

// Value tags of the format; every value starts with one byte.
enum class TValueTag : std::uint8_t {
    Null = 0x00,  // end of a list
    List = 0x01,  // start of a list
    Int8 = 0x02,
    Int16 = 0x03,
    Int32 = 0x04,
    String = 0x06,      // 1-byte length, code-page bytes
    LString = 0x0C,     // 4-byte length, code-page bytes
    WString = 0x12,     // 4-byte count of UTF-16 code units
    Utf8String = 0x14,  // 4-byte byte count, UTF-8
};

// A stored value that cannot be read: the offset is where the bad value (or
// the missing bytes) began.
class TStreamReadError : public std::runtime_error {
public:
    TStreamReadError(std::size_t offset, const std::string& message);
    std::size_t Offset() const { return FOffset; }

private:
    std::size_t FOffset;
};

// Reads values from a byte buffer it does not own. Every length is checked
// against what remains before anything is allocated for it, so a damaged file
// fails with TStreamReadError rather than a huge allocation or a read past
// the end. A text whose bytes do not decode is no such failure: it reads
// with replacement characters, as the window side always read it.
class TValueReader {
public:
    TValueReader(const char* data, std::size_t size) : FData(data), FSize(size) {}
    explicit TValueReader(std::string_view bytes) : TValueReader(bytes.data(), bytes.size()) {}
    // The reader would outlive the bytes.
    explicit TValueReader(std::string&&) = delete;

    std::size_t Position() const { return FPos; }
    std::size_t Remaining() const { return FSize - FPos; }

    // The next tag without consuming it; fails at the end of the data.
    TValueTag PeekTag() const;
    bool EndOfList() const { return PeekTag() == TValueTag::Null; }

    void ReadListBegin();  // expects 0x01
    void ReadListEnd();    // expects 0x00
    // Any of the four text tags; 8-bit texts are widened from the code page.
    std::u16string ReadWideString();
    // Any of the four text tags; wide ones are narrowed to the code page.
    std::string ReadString();
    // Tags 0x02, 0x03 or 0x04, sign-extended.
    std::int32_t ReadInteger();
    // Four bytes with no tag in front.
    std::int32_t ReadRawInt32();

private:
    std::uint8_t TakeByte();
    const char* Take(std::size_t count);
    std::uint32_t TakeUInt32();
    std::size_t TakeLength(std::size_t unitSize);
    void Expect(TValueTag tag);
    // Reads a text value: the raw bytes and the tag that said how to decode them.
    TValueTag ReadText(const char*& bytes, std::size_t& count);
    [[noreturn]] void Fail(std::size_t offset, const std::string& message) const;

    const char* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
};

// Appends values to a byte buffer in the form TValueReader reads.
class TValueWriter {
public:
    const std::string& Bytes() const { return FBytes; }

    void WriteListBegin() { WriteTag(TValueTag::List); }
    void WriteListEnd() { WriteTag(TValueTag::Null); }
    // 0x12 and UTF-16LE, as wide texts are stored.
    void WriteWideString(const std::u16string& text);
    // 0x06 up to 255 bytes, else 0x0C.
    void WriteString(const std::string& text);
    // The shortest integer tag that holds the value.
    void WriteInteger(std::int32_t value);
    void WriteRawInt32(std::int32_t value);

private:
    void WriteTag(TValueTag tag) { FBytes += static_cast<char>(tag); }
    void WriteUInt32(std::uint32_t value);

    std::string FBytes;
};

}  // namespace vantrel
