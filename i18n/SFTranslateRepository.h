// The translation dictionary of the user interface: the languages that
// "translation.dat" offers, the current language, and the lookup of English
// source texts in it. Plain C++, so that every front end translates alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/StDict.h"

namespace vantrel {

// One language of the file, in file order.
struct TLanguageData {
    std::u16string Name;        // matched against CurrentLanguage without regard to case
    std::u16string SecondText;  // kept and written back, not used
    std::int32_t Value = 0;     // kept and written back, not used

    bool operator==(const TLanguageData&) const = default;
};

// Language names compare without regard to case, as the dictionary's keys do.
bool SameLanguageName(const std::u16string& a, const std::u16string& b);

// Translations of one source text into the second, third, ... language of
// the list; an array shorter than the list counts its missing tail as empty.
using TWordsArray = std::vector<std::u16string>;

struct TDictStoreData {
    TWordsArray Words;
};

// Collects the source texts that had no translation, so that a translator
// learns what is missing. The list goes to FileName when the collector is
// destroyed.
class TSFTranslateRepositoryCollector {
public:
    TSFTranslateRepositoryCollector() = default;
    ~TSFTranslateRepositoryCollector();
    TSFTranslateRepositoryCollector(const TSFTranslateRepositoryCollector&) = delete;
    TSFTranslateRepositoryCollector& operator=(const TSFTranslateRepositoryCollector&) = delete;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }
    // A UTF-8 path.
    const std::string& FileName() const { return FFileName; }
    // A name that is blank after trimming also disables collecting.
    void SetFileName(const std::string& fileName);
    bool RewriteFile() const { return FRewriteFile; }
    void SetRewriteFile(bool rewrite) { FRewriteFile = rewrite; }

    // Adds a text unless it is empty or already listed (without regard to case).
    void CollectWord(const std::string& text);
    const std::vector<std::string>& Collected() const { return FCollected; }
    // Writes the list, one "\r\n"-terminated line per text; failures to
    // write are swallowed, since this runs while the program shuts down.
    void SaveCollected() const;

private:
    bool FEnabled = false;
    std::string FFileName;
    bool FRewriteFile = true;
    std::vector<std::string> FCollected;
    std::vector<std::string> FFolded;  // the collected texts as compared
};

// Texts in: the program's 8-bit texts (UTF-8), the English sources and the
// keys of the dictionary. Texts out: UTF-16, as the file stores them.
class TSFTranslateRepository {
public:
    // A file larger than this is not a dictionary; it is refused unread.
    static constexpr std::int64_t kMaxFileSize = std::int64_t{256} * 1024 * 1024;

    TSFTranslateRepository();
    ~TSFTranslateRepository();
    // A form translator refers to it (see Lifetime), so it stays where it is.
    TSFTranslateRepository(const TSFTranslateRepository&) = delete;
    TSFTranslateRepository& operator=(const TSFTranslateRepository&) = delete;

    const std::u16string& CurrentLanguage() const { return FCurrentLanguage; }
    // Selects a language of the loaded file; an unknown name, or no file
    // loaded, leaves the current one in force.
    void SetCurrentLanguage(const std::u16string& language);
    std::int32_t CurrentLanguageIndex() const { return FCurrentLanguageIndex; }

    std::int32_t WordCount() const;
    std::int32_t LanguageCount() const { return static_cast<std::int32_t>(FLanguages.size()); }
    const std::vector<TLanguageData>& Languages() const { return FLanguages; }

    const std::string& DictionaryFileName() const { return FDictionaryFileName; }
    // Only stores the name: loading is LoadDictionary's job.
    void SetDictionaryFileName(const std::string& fileName) { FDictionaryFileName = fileName; }

    TSFTranslateRepositoryCollector& Collector() { return *FCollector; }
    bool ReturnEnglishIfMissed() const { return FReturnEnglishIfMissed; }
    void SetReturnEnglishIfMissed(bool value) { FReturnEnglishIfMissed = value; }

    // Reads the file at a UTF-8 path. True when the whole file was read. On
    // a failure what was read before it stays, and LastLoadError says what
    // went wrong and where.
    bool LoadDictionary(const std::string& fileName);
    // The same for a file image already in memory; DictionaryFileName is
    // left alone.
    bool LoadDictionaryData(std::string_view bytes);
    // Why the latest LoadDictionary failed (UTF-8); empty after a success.
    const std::string& LastLoadError() const { return FLastLoadError; }
    // Byte offset of the failure (-1 when the failure has no place in the
    // file, such as a missing file).
    std::int64_t LastLoadErrorOffset() const { return FLastLoadErrorOffset; }

    // The translation of an English source text in the current language.
    std::u16string Translate(const std::string& text);

    // Building a dictionary (the translators' tool). The first language is
    // the source language; AddWord throws TStDictError on a duplicate key.
    void SetLanguages(std::vector<TLanguageData> languages);
    void AddWord(const std::string& key, TWordsArray words);
    void SetHashSize(std::int32_t size) { FDictionary.SetHashSize(size); }
    std::int32_t HashSize() const { return FDictionary.HashSize(); }
    // The translations stored for `key`, or nullptr.
    const TWordsArray* FindWords(const std::string& key);
    // Every entry in table order.
    void IterateWords(
        const std::function<void(const std::string& key, const TWordsArray& words)>& visit) const;
    // The file image in the format LoadDictionary reads.
    std::string StoreDictionary() const;

    // Expires when the repository is destroyed, so that whoever refers to
    // it (a form translator) finds it gone instead of using a dead object.
    std::weak_ptr<TSFTranslateRepository* const> Lifetime() const { return FLifetime; }

private:
    void ClearDictionary();
    void ReadLanguages(TValueReader& reader);
    void MatchLanguage(const TLanguageData& language, std::int32_t position);

    std::u16string FCurrentLanguage = u"English";
    std::int32_t FCurrentLanguageIndex = 0;
    std::vector<TLanguageData> FLanguages;
    std::string FDictionaryFileName;
    std::unique_ptr<TSFTranslateRepositoryCollector> FCollector;
    bool FReturnEnglishIfMissed = false;
    TStNVDictionary FDictionary;
    std::string FLastLoadError;
    std::int64_t FLastLoadErrorOffset = -1;
    std::shared_ptr<TSFTranslateRepository* const> FLifetime;
};

}  // namespace vantrel
