#include "tools/dict/DumpDictionary.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "i18n/UnicodeText.h"

namespace vantrel::tools {

namespace {

using TEntries = std::vector<std::pair<std::string, TWordsArray>>;

// Sorted by key, so that two dumps of the same content compare equal
// whatever the order of the hash chains.
TEntries SortedEntries(const TSFTranslateRepository& repository) {
    TEntries entries;
    repository.IterateWords([&](const std::string& key, const TWordsArray& words) {
        entries.emplace_back(key, words);
    });
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return entries;
}

// Quoted, with line breaks and other control characters made visible.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string Utf8(const std::u16string& text) {
    return unicode::Utf16ToUtf8Lenient(text);
}

// The language that a words-array element belongs to.
std::string LanguageOf(const TSFTranslateRepository& repository, std::size_t element) {
    const auto& languages = repository.Languages();
    return element + 1 < languages.size() ? Utf8(languages[element + 1].Name)
                                          : "(language " + std::to_string(element + 1) + ")";
}

}  // namespace

std::string DumpAsText(const std::string& fileName, TSFTranslateRepository& repository,
                       bool loaded) {
    std::string out = "file: " + fileName + "\n";
    out += std::string("loaded: ") + (loaded ? "yes" : "no") + "\n";
    if (!loaded) {
        out += "error: " + repository.LastLoadError();
        if (repository.LastLoadErrorOffset() >= 0) {
            out += " (at byte " + std::to_string(repository.LastLoadErrorOffset()) + ")";
        }
        out += "\n";
    }
    out += "languages: " + std::to_string(repository.LanguageCount()) + "\n";
    for (std::size_t i = 0; i < repository.Languages().size(); ++i) {
        const TLanguageData& language = repository.Languages()[i];
        out += "  " + std::to_string(i) + ": " + Quoted(Utf8(language.Name)) + " second text " +
               Quoted(Utf8(language.SecondText)) + " value " + std::to_string(language.Value) +
               "\n";
    }
    out += "hash size: " + std::to_string(repository.HashSize()) + "\n";
    out += "entries: " + std::to_string(repository.WordCount()) + "\n";
    for (const auto& [key, words] : SortedEntries(repository)) {
        out += "  " + Quoted(key) + "\n";
        for (std::size_t i = 0; i < words.size(); ++i) {
            out += "    " + LanguageOf(repository, i) + ": " + Quoted(Utf8(words[i])) + "\n";
        }
    }
    return out;
}

std::string DumpAsJson(const std::string& fileName, TSFTranslateRepository& repository,
                       bool loaded) {
    nlohmann::ordered_json json;
    json["file"] = fileName;
    json["loaded"] = loaded;
    if (!loaded) {
        json["error"] = repository.LastLoadError();
        json["errorOffset"] = repository.LastLoadErrorOffset() >= 0
                                  ? nlohmann::ordered_json(repository.LastLoadErrorOffset())
                                  : nlohmann::ordered_json(nullptr);
    }
    json["languages"] = nlohmann::ordered_json::array();
    for (const TLanguageData& language : repository.Languages()) {
        json["languages"].push_back({{"name", Utf8(language.Name)},
                                     {"secondText", Utf8(language.SecondText)},
                                     {"value", language.Value}});
    }
    json["hashSize"] = repository.HashSize();
    json["entries"] = nlohmann::ordered_json::array();
    for (const auto& [key, words] : SortedEntries(repository)) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const std::u16string& word : words) {
            list.push_back(Utf8(word));
        }
        json["entries"].push_back({{"key", key}, {"words", list}});
    }
    // Keys are code-page bytes; one that is not valid UTF-8 is shown with
    // replacement characters rather than failing the dump.
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace vantrel::tools
