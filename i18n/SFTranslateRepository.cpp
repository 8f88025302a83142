#include "i18n/SFTranslateRepository.h"

#include <filesystem>
#include <fstream>
#include <span>
#include <system_error>

#include "i18n/UnicodeText.h"
#include "platform/FileReader.h"
#include "platform/Utf8Path.h"

namespace vantrel {

namespace {

// Blanks and control characters, as trimmed from a file name.
std::string Trimmed(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') {
        ++first;
    }
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') {
        --last;
    }
    return text.substr(first, last - first);
}

// The program's source texts are UTF-8; a damaged byte shows as U+FFFD.
std::u16string Widened(const std::string& text) {
    return unicode::Utf8ToUtf16Lenient(text);
}

// The whole file, or a TFileReadError saying why not.
std::string ReadWholeFile(platform::TFileReader& file) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(file.Size()));
    unsigned char buffer[65536];
    while (const std::size_t count = file.Read(buffer)) {
        bytes.append(reinterpret_cast<const char*>(buffer), count);
        if (bytes.size() > static_cast<std::uint64_t>(TSFTranslateRepository::kMaxFileSize)) {
            break;  // grown while read: refused below like any file this large
        }
    }
    return bytes;
}

// Entry data as stored: 0x01, one wide string per language after the first,
// 0x00. The array is owned here until the dictionary accepts it.
void* LoadWords(TValueReader& reader) {
    auto data = std::make_unique<TDictStoreData>();
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        data->Words.push_back(reader.ReadWideString());
    }
    reader.ReadListEnd();
    return data.release();
}

void StoreWords(TValueWriter& writer, void* data) {
    writer.WriteListBegin();
    if (data != nullptr) {
        for (const std::u16string& word : static_cast<TDictStoreData*>(data)->Words) {
            writer.WriteWideString(word);
        }
    }
    writer.WriteListEnd();
}

void DisposeWords(void* data) {
    delete static_cast<TDictStoreData*>(data);
}

}  // namespace

// Folded as the dictionary folds its keys: "deutsch" selects a file's "Deutsch".
bool SameLanguageName(const std::u16string& a, const std::u16string& b) {
    return a == b ||
           FoldKey(unicode::Utf16ToUtf8Lenient(a)) == FoldKey(unicode::Utf16ToUtf8Lenient(b));
}

TSFTranslateRepositoryCollector::~TSFTranslateRepositoryCollector() {
    SaveCollected();
}

void TSFTranslateRepositoryCollector::SetFileName(const std::string& fileName) {
    FFileName = fileName;
    if (Trimmed(fileName).empty()) {
        FEnabled = false;
    }
}

void TSFTranslateRepositoryCollector::CollectWord(const std::string& text) {
    if (text.empty()) {
        return;
    }
    std::string folded = FoldKey(text);
    for (const std::string& known : FFolded) {
        if (known == folded) {
            return;
        }
    }
    FCollected.push_back(text);
    FFolded.push_back(std::move(folded));
}

// Runs whether or not collecting was enabled: with RewriteFile an empty list
// empties the file, which is how a translator starts a fresh list.
void TSFTranslateRepositoryCollector::SaveCollected() const {
    const std::string name = Trimmed(FFileName);
    if (name.empty()) {
        return;
    }
    const auto mode =
        FRewriteFile ? std::ios::binary | std::ios::trunc : std::ios::binary | std::ios::app;
    std::ofstream file(platform::Utf8Path(FFileName), std::ios::out | mode);
    for (const std::string& text : FCollected) {
        file << text << "\r\n";
    }
}

TSFTranslateRepository::TSFTranslateRepository()
    : FCollector(std::make_unique<TSFTranslateRepositoryCollector>()),
      FDictionary(2000),
      FLifetime(std::make_shared<TSFTranslateRepository* const>(this)) {
    FDictionary.SetLoadData(LoadWords);
    FDictionary.SetStoreData(StoreWords);
    FDictionary.SetDisposeData(DisposeWords);
}

// The dictionary disposes its entries itself; the collector writes its file
// as it goes.
TSFTranslateRepository::~TSFTranslateRepository() = default;

std::int32_t TSFTranslateRepository::WordCount() const {
    return FDictionary.Dictionary().Count();
}

void TSFTranslateRepository::SetCurrentLanguage(const std::u16string& language) {
    if (FLanguages.empty() || SameLanguageName(language, FCurrentLanguage)) {
        return;
    }
    for (std::size_t i = 0; i < FLanguages.size(); ++i) {
        if (SameLanguageName(FLanguages[i].Name, language)) {
            FCurrentLanguage = FLanguages[i].Name;
            FCurrentLanguageIndex = static_cast<std::int32_t>(i);
            return;
        }
    }
}

void TSFTranslateRepository::ClearDictionary() {
    FLanguages.clear();
    FDictionary.Dictionary().Clear();
}

// The file spells the name as it is shown; a later match wins.
void TSFTranslateRepository::MatchLanguage(const TLanguageData& language, std::int32_t position) {
    if (SameLanguageName(language.Name, FCurrentLanguage)) {
        FCurrentLanguage = language.Name;
        FCurrentLanguageIndex = position;
    }
}

void TSFTranslateRepository::ReadLanguages(TValueReader& reader) {
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        TLanguageData language;
        language.Name = reader.ReadWideString();
        language.SecondText = reader.ReadWideString();
        language.Value = reader.ReadRawInt32();
        FLanguages.push_back(language);
        MatchLanguage(FLanguages.back(), static_cast<std::int32_t>(FLanguages.size() - 1));
    }
    reader.ReadListEnd();
}

bool TSFTranslateRepository::LoadDictionary(const std::string& fileName) {
    ClearDictionary();
    FLastLoadError.clear();
    FLastLoadErrorOffset = -1;
    const std::filesystem::path path = platform::Utf8Path(fileName);
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        FLastLoadError = "the file does not exist";
        return false;
    }
    const std::string tooLarge =
        "the file is larger than " + std::to_string(kMaxFileSize) + " bytes";
    std::string bytes;
    try {
        platform::TFileReader file(path);
        if (file.Size() > static_cast<std::uint64_t>(kMaxFileSize)) {
            FLastLoadError = tooLarge;
            return false;
        }
        bytes = ReadWholeFile(file);
    } catch (const platform::TFileReadError& failure) {
        FLastLoadError = std::string("the file cannot be opened: ") + failure.what();
        return false;
    }
    if (bytes.size() > static_cast<std::uint64_t>(kMaxFileSize)) {
        FLastLoadError = tooLarge;
        return false;
    }
    if (!LoadDictionaryData(bytes)) {
        return false;
    }
    FDictionaryFileName = fileName;
    return true;
}

bool TSFTranslateRepository::LoadDictionaryData(std::string_view bytes) {
    ClearDictionary();
    FLastLoadError.clear();
    FLastLoadErrorOffset = -1;
    try {
        TValueReader reader(bytes);
        ReadLanguages(reader);
        FDictionary.Dictionary().LoadFromStream(reader);
    } catch (const TStreamReadError& failure) {
        FLastLoadError = failure.what();
        FLastLoadErrorOffset = static_cast<std::int64_t>(failure.Offset());
        return false;
    } catch (const std::exception& failure) {
        FLastLoadError = failure.what();
        return false;
    }
    return true;
}

std::u16string TSFTranslateRepository::Translate(const std::string& text) {
    void* data = nullptr;
    const bool found = FDictionary.Dictionary().Find(text, data);
    if (found && FCurrentLanguageIndex > 0) {
        const auto* entry = static_cast<const TDictStoreData*>(data);
        const auto position = static_cast<std::size_t>(FCurrentLanguageIndex - 1);
        if (entry != nullptr && position < entry->Words.size() && !entry->Words[position].empty()) {
            return entry->Words[position];
        }
        if (!FReturnEnglishIfMissed) {
            return {};
        }
        if (FCollector->Enabled()) {
            FCollector->CollectWord(text);
        }
        return Widened(text);
    }
    if (FCollector->Enabled() && FCurrentLanguageIndex > 0) {
        FCollector->CollectWord(text);
    }
    return Widened(text);
}

void TSFTranslateRepository::SetLanguages(std::vector<TLanguageData> languages) {
    FLanguages = std::move(languages);
    for (std::size_t i = 0; i < FLanguages.size(); ++i) {
        MatchLanguage(FLanguages[i], static_cast<std::int32_t>(i));
    }
}

void TSFTranslateRepository::AddWord(const std::string& key, TWordsArray words) {
    auto data = std::make_unique<TDictStoreData>();
    data->Words = std::move(words);
    FDictionary.Dictionary().Add(key, data.get());
    // Add() returned, so the dictionary owns the data and frees it.
    static_cast<void>(data.release());
}

const TWordsArray* TSFTranslateRepository::FindWords(const std::string& key) {
    void* data = nullptr;
    if (!FDictionary.Dictionary().Find(key, data) || data == nullptr) {
        return nullptr;
    }
    return &static_cast<const TDictStoreData*>(data)->Words;
}

void TSFTranslateRepository::IterateWords(
    const std::function<void(const std::string& key, const TWordsArray& words)>& visit) const {
    static const TWordsArray kNone;
    FDictionary.Dictionary().Iterate([&](const std::string& key, void* data) {
        visit(key, data != nullptr ? static_cast<const TDictStoreData*>(data)->Words : kNone);
    });
}

std::string TSFTranslateRepository::StoreDictionary() const {
    TValueWriter writer;
    writer.WriteListBegin();
    for (const TLanguageData& language : FLanguages) {
        writer.WriteWideString(language.Name);
        writer.WriteWideString(language.SecondText);
        writer.WriteRawInt32(language.Value);
    }
    writer.WriteListEnd();
    FDictionary.Dictionary().StoreToStream(writer);
    return writer.Bytes();
}

}  // namespace vantrel
