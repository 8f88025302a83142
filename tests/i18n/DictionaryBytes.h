// Dictionary files written byte by byte, independent of the code under test.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::test {

class TDictBytes {
public:
    TDictBytes& Byte(std::uint8_t value) {
        FBytes += static_cast<char>(value);
        return *this;
    }
    TDictBytes& Int32(std::int32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            Byte(static_cast<std::uint8_t>((static_cast<std::uint32_t>(value) >> shift) & 0xFF));
        }
        return *this;
    }
    // 0x12, the count of UTF-16 units, the units (ASCII texts only).
    TDictBytes& Wide(const std::string& ascii) {
        Byte(0x12).Int32(static_cast<std::int32_t>(ascii.size()));
        for (char c : ascii) {
            Byte(static_cast<std::uint8_t>(c)).Byte(0);
        }
        return *this;
    }
    // The same for any text.
    TDictBytes& Wide(const std::u16string& text) {
        Byte(0x12).Int32(static_cast<std::int32_t>(text.size()));
        for (char16_t unit : text) {
            Byte(static_cast<std::uint8_t>(unit & 0xFF)).Byte(static_cast<std::uint8_t>(unit >> 8));
        }
        return *this;
    }
    // 0x14, the byte count, the UTF-8 bytes.
    TDictBytes& Utf8(const std::string& text) {
        Byte(0x14).Int32(static_cast<std::int32_t>(text.size()));
        return Raw(text);
    }
    TDictBytes& Short(const std::string& text) {
        Byte(0x06).Byte(static_cast<std::uint8_t>(text.size()));
        return Raw(text);
    }
    TDictBytes& Raw(const std::string& bytes) {
        FBytes += bytes;
        return *this;
    }
    TDictBytes& Language(const std::string& name) { return Wide(name).Wide("").Int32(0); }
    TDictBytes& Header(std::uint16_t hashSize = 2000) {
        Short("TStDictionary").Short("TStDictNode");
        return Byte(0x03).Byte(hashSize & 0xFF).Byte(hashSize >> 8);
    }
    TDictBytes& Entry(const std::string& key, const std::vector<std::string>& words) {
        Short(key).Byte(0x01);
        for (const std::string& word : words) {
            Wide(word);
        }
        return Byte(0x00);
    }
    const std::string& Bytes() const { return FBytes; }

private:
    std::string FBytes;
};

// A whole file: languages, the standard header, entries.
inline std::string DictionaryFile(
    const std::vector<std::string>& languages,
    const std::vector<std::pair<std::string, std::vector<std::string>>>& entries) {
    TDictBytes file;
    file.Byte(0x01);
    for (const std::string& name : languages) {
        file.Language(name);
    }
    file.Byte(0x00).Header().Byte(0x01);
    for (const auto& [key, words] : entries) {
        file.Entry(key, words);
    }
    return file.Byte(0x00).Bytes();
}

}  // namespace vantrel::test
