// The text format of the registry store: parsing and writing.
#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <utility>

#include "platform/RegistryStore.h"

namespace vantrel::platform {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

// ---- parsing --------------------------------------------------------------

std::string LowerName(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

// The values of every key by name, case-insensitively: an open-addressing
// table of (key, value) positions sized once from the text's line count, so
// that a large store costs neither a rehash nor an allocation per value.
class TValueIndex {
public:
    static constexpr std::size_t kAdded = static_cast<std::size_t>(-1);

    explicit TValueIndex(std::string_view text) {
        const std::size_t lines =
            static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        std::size_t capacity = 16;
        while (capacity < 2 * (lines + 1))
            capacity *= 2;
        FSlots.assign(capacity, TSlot{});
    }

    // The position of the value called `name` in key `key`, or kAdded after
    // recording it at `position`.
    std::size_t FindOrAdd(std::size_t key, std::string_view name, std::size_t position,
                          const TRegistryFile& file) {
        const std::size_t mask = FSlots.size() - 1;
        for (std::size_t slot = Hash(key, name) & mask;; slot = (slot + 1) & mask) {
            TSlot& entry = FSlots[slot];
            if (entry.Key == TSlot::kEmpty) {
                entry =
                    TSlot{static_cast<std::uint32_t>(key), static_cast<std::uint32_t>(position)};
                return kAdded;
            }
            if (entry.Key == key && SameName(file.Keys[key].Values[entry.Value].first, name))
                return entry.Value;
        }
    }

private:
    struct TSlot {
        static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
        std::uint32_t Key = kEmpty;
        std::uint32_t Value = 0;
    };

    static std::size_t Hash(std::size_t key, std::string_view name) {
        std::uint64_t hash = 14695981039346656037ull ^ key;
        for (const char c : name)
            hash = (hash ^ static_cast<unsigned char>(AsciiLower(c))) * 1099511628211ull;
        return static_cast<std::size_t>(hash ^ (hash >> 29));
    }

    std::vector<TSlot> FSlots;
};

class TParser {
public:
    TParser(std::string_view text, bool salvage) : FText(text), FSalvage(salvage) {}

    TRegistryFile Parse() {
        if (FText.substr(0, 3) == "\xEF\xBB\xBF")
            FText.remove_prefix(3);
        bool headerSeen = false;
        while (NextLogicalLine()) {
            const std::string_view line = FLine;
            if (line.empty() || line.front() == ';')
                continue;
            if (!FSalvage) {
                ParseLine(line, headerSeen);
                continue;
            }
            try {
                ParseLine(line, headerSeen);
            } catch (const RegistryError&) {
                // A key line that cannot be read leaves its values without a
                // key they surely belong to: they are dropped with it.
                if (line.front() == '[')
                    FCurrent = kNoKey;
            }
        }
        if (!headerSeen && !FSalvage)
            Fail("the header line \"" + std::string(kHeader) + "\" is missing");
        return std::move(FFile);
    }

private:
    static constexpr std::size_t kNoKey = static_cast<std::size_t>(-1);

    void ParseLine(std::string_view line, bool& headerSeen) {
        if (!headerSeen && line == kHeader) {
            headerSeen = true;
            return;
        }
        if (!headerSeen && !FSalvage)
            Fail("the header line \"" + std::string(kHeader) + "\" is missing");
        if (line.front() == '[') {
            FCurrent = OpenKey(ParseSection(line));
        } else {
            if (FCurrent == kNoKey)
                Fail("a value stands outside any key");
            ParseValueLine(line);
        }
    }

    // Keys and values are found through hash indexes, so that a store with
    // many of them parses in time proportional to its size.
    std::size_t OpenKey(const std::string& path) {
        const auto [entry, added] = FKeyIndex.try_emplace(LowerName(path), FFile.Keys.size());
        if (added)
            FFile.Keys.push_back(TRegKey{path, {}});
        return entry->second;
    }

    void SetValue(std::string name, TRegValue value) {
        TRegKey& key = FFile.Keys[FCurrent];
        const std::size_t existing =
            FValueIndex.FindOrAdd(FCurrent, name, key.Values.size(), FFile);
        if (existing == TValueIndex::kAdded)
            key.Values.emplace_back(std::move(name), std::move(value));
        else
            key.Values[existing].second = std::move(value);
    }

    [[noreturn]] void Fail(const std::string& why) const {
        throw RegistryError("line " + std::to_string(FLineNumber) + ": " + why);
    }

    // One line of the file with trailing spaces and CR removed; hex lists may
    // go on over several lines, each but the last ending with "\".
    bool NextLogicalLine() {
        if (FPos >= FText.size())
            return false;
        FLine.clear();
        ++FLineNumber;
        bool continued = true;
        bool first = true;
        while (continued && FPos < FText.size()) {
            std::size_t end = FText.find('\n', FPos);
            if (end == std::string_view::npos)
                end = FText.size();
            std::string_view piece = FText.substr(FPos, end - FPos);
            FPos = end + 1;
            if (!first) {
                ++FLineNumber;
                while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\t'))
                    piece.remove_prefix(1);
            }
            while (!piece.empty() &&
                   (piece.back() == '\r' || piece.back() == ' ' || piece.back() == '\t'))
                piece.remove_suffix(1);
            continued = !piece.empty() && piece.back() == '\\' && LooksLikeHexList(first, piece);
            if (continued)
                piece.remove_suffix(1);
            FLine.append(piece);
            first = false;
        }
        return true;
    }

    // A trailing "\" continues only hex lists; in a string or key name it is
    // an ordinary character.
    bool LooksLikeHexList(bool first, std::string_view piece) const {
        if (!first)
            return true;
        const std::size_t equals = piece.rfind("\"=");
        if (equals == std::string_view::npos && piece.substr(0, 2) != "@=")
            return false;
        const std::string_view value =
            piece.substr(equals == std::string_view::npos ? 2 : equals + 2);
        return value.substr(0, 3) == "hex";
    }

    std::string ParseSection(std::string_view line) const {
        if (line.back() != ']')
            Fail("a key line must end with \"]\"");
        const std::string_view inner = line.substr(1, line.size() - 2);
        if (!inner.empty() && inner.front() == '-')
            Fail("key deletions are not kept in the store");
        const std::string_view root = inner.substr(0, inner.find('\\'));
        if (!SameName(root, kRoot))
            Fail("only keys under " + std::string(kRoot) + " are kept in the store");
        return NormalizeKeyPath(inner.substr(root.size()));
    }

    void ParseValueLine(std::string_view line) {
        std::size_t pos = 0;
        std::string name;
        if (line.front() == '@') {
            pos = 1;
        } else {
            name = ParseQuoted(line, pos);
        }
        if (pos >= line.size() || line[pos] != '=')
            Fail("a value name must be followed by \"=\"");
        SetValue(std::move(name), ParseData(line.substr(pos + 1)));
    }

    // A quoted string starting at line[pos]; \" and \\ are its escapes.
    std::string ParseQuoted(std::string_view line, std::size_t& pos) const {
        if (line[pos] != '"')
            Fail("a quoted string was expected");
        std::string out;
        for (++pos; pos < line.size(); ++pos) {
            const char c = line[pos];
            if (c == '"') {
                ++pos;
                return out;
            }
            if (c == '\\') {
                if (pos + 1 >= line.size() || (line[pos + 1] != '"' && line[pos + 1] != '\\'))
                    Fail("unknown escape in a quoted string");
                ++pos;
            }
            out.push_back(line[pos]);
        }
        Fail("a quoted string is not closed");
    }

    TRegValue ParseData(std::string_view data) const {
        TRegValue value;
        if (!data.empty() && data.front() == '"') {
            std::size_t pos = 0;
            const std::string text = ParseQuoted(data, pos);
            if (pos != data.size())
                Fail("text after the end of a string value");
            value.Type = RegString;
            value.Data.assign(text.begin(), text.end());
        } else if (data.substr(0, 6) == "dword:") {
            const std::uint64_t number = ParseHexNumber(data.substr(6), 8);
            value.Type = RegDWord;
            for (int i = 0; i < 4; ++i)
                value.Data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
        } else if (data.substr(0, 4) == "hex:") {
            value.Type = RegBinary;
            value.Data = ParseHexBytes(data.substr(4));
        } else if (data.substr(0, 4) == "hex(") {
            const std::size_t close = data.find("):");
            if (close == std::string_view::npos)
                Fail("a typed hex value must read hex(N):");
            value.Type = static_cast<std::uint32_t>(ParseHexNumber(data.substr(4, close - 4), 8));
            value.Data = ParseHexBytes(data.substr(close + 2));
        } else {
            Fail("unknown value format");
        }
        return value;
    }

    std::uint64_t ParseHexNumber(std::string_view digits, std::size_t maxDigits) const {
        if (digits.empty() || digits.size() > maxDigits)
            Fail("a hexadecimal number of 1 to " + std::to_string(maxDigits) +
                 " digits was expected");
        std::uint64_t number = 0;
        for (const char c : digits)
            number = number * 16 + static_cast<std::uint64_t>(HexDigit(c));
        return number;
    }

    int HexDigit(char c) const {
        if (c >= '0' && c <= '9')
            return c - '0';
        const char lower = AsciiLower(c);
        if (lower >= 'a' && lower <= 'f')
            return lower - 'a' + 10;
        Fail("not a hexadecimal digit");
    }

    // "01,ff,2a"; an empty list is an empty value.
    std::vector<std::uint8_t> ParseHexBytes(std::string_view list) const {
        std::vector<std::uint8_t> bytes;
        if (list.empty())
            return bytes;
        std::size_t pos = 0;
        while (true) {
            if (pos + 2 > list.size())
                Fail("a byte needs two hexadecimal digits");
            bytes.push_back(
                static_cast<std::uint8_t>(HexDigit(list[pos]) * 16 + HexDigit(list[pos + 1])));
            pos += 2;
            if (pos == list.size())
                return bytes;
            if (list[pos] != ',')
                Fail("bytes must be separated by \",\"");
            ++pos;
        }
    }

    std::string_view FText;
    bool FSalvage;
    std::size_t FCurrent = kNoKey;
    std::unordered_map<std::string, std::size_t> FKeyIndex;
    TValueIndex FValueIndex{FText};
    std::size_t FPos = 0;
    std::size_t FLineNumber = 0;
    std::string FLine;
    TRegistryFile FFile;
};

// ---- writing --------------------------------------------------------------

void AppendHexBytes(std::string& out, const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out.push_back(',');
        out.push_back(digits[bytes[i] >> 4]);
        out.push_back(digits[bytes[i] & 0xF]);
    }
}

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// Line breaks and other control bytes cannot stand inside a quoted string of
// this format, so such text is written as hex(1): instead.
bool QuotableText(const std::vector<std::uint8_t>& data) {
    return std::none_of(data.begin(), data.end(),
                        [](std::uint8_t c) { return c < 0x20 || c == 0x7F; });
}

void AppendValue(std::string& out, const TRegValue& value) {
    char number[16];
    if (value.Type == RegString && QuotableText(value.Data)) {
        AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.Data.data()),
                                           value.Data.size()));
    } else if (value.Type == RegDWord && value.Data.size() == 4) {
        std::uint32_t dword = 0;
        for (int i = 3; i >= 0; --i)
            dword = dword << 8 | value.Data[static_cast<std::size_t>(i)];
        std::snprintf(number, sizeof number, "%08x", dword);
        out += "dword:";
        out += number;
    } else if (value.Type == RegBinary) {
        out += "hex:";
        AppendHexBytes(out, value.Data);
    } else {
        std::snprintf(number, sizeof number, "%x", value.Type);
        out += "hex(";
        out += number;
        out += "):";
        AppendHexBytes(out, value.Data);
    }
}

}  // namespace

// ---- keys -----------------------------------------------------------------

const TRegValue* TRegKey::Find(std::string_view name) const {
    for (const auto& [valueName, value] : Values) {
        if (SameName(valueName, name))
            return &value;
    }
    return nullptr;
}

void TRegKey::Set(std::string_view name, TRegValue value) {
    for (auto& [valueName, existing] : Values) {
        if (SameName(valueName, name)) {
            existing = std::move(value);
            return;
        }
    }
    Values.emplace_back(std::string(name), std::move(value));
}

void TRegKey::Remove(std::string_view name) {
    std::erase_if(Values, [&](const auto& entry) { return SameName(entry.first, name); });
}

TRegKey* TRegistryFile::FindKey(std::string_view path) {
    const std::string wanted = NormalizeKeyPath(path);
    for (TRegKey& key : Keys) {
        if (SameName(key.Path, wanted))
            return &key;
    }
    return nullptr;
}

const TRegKey* TRegistryFile::FindKey(std::string_view path) const {
    return const_cast<TRegistryFile*>(this)->FindKey(path);
}

TRegKey& TRegistryFile::OpenKey(std::string_view path) {
    if (TRegKey* key = FindKey(path))
        return *key;
    Keys.push_back(TRegKey{NormalizeKeyPath(path), {}});
    return Keys.back();
}

bool TRegistryFile::DeleteKeyTree(std::string_view path) {
    const std::string root = NormalizeKeyPath(path);
    const auto inTree = [&](const TRegKey& key) {
        return SameName(key.Path, root) ||
               (key.Path.size() > root.size() && key.Path[root.size()] == '\\' &&
                SameName(std::string_view(key.Path).substr(0, root.size()), root));
    };
    return std::erase_if(Keys, inTree) > 0;
}

std::string NormalizeKeyPath(std::string_view path) {
    std::string out;
    for (const char c : path) {
        if (c == '\\' && (out.empty() || out.back() == '\\'))
            continue;
        out.push_back(c);
    }
    if (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

TRegistryFile ParseRegistryText(std::string_view text) {
    return TParser(text, false).Parse();
}

TRegistryFile SalvageRegistryText(std::string_view text) {
    return TParser(text, true).Parse();
}

std::string FormatRegistryText(const TRegistryFile& file) {
    std::string out(kHeader);
    out += "\n";
    for (const TRegKey& key : file.Keys) {
        out += "\n[";
        out += kRoot;
        if (!key.Path.empty())
            out += "\\" + key.Path;
        out += "]\n";
        for (const auto& [name, value] : key.Values) {
            if (name.empty())
                out += "@";
            else
                AppendQuoted(out, name);
            out += "=";
            AppendValue(out, value);
            out += "\n";
        }
    }
    return out;
}

}  // namespace vantrel::platform
