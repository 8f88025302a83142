#include "i18n/SFTranslateRepository.h"

#include <QFile>
#include <QFileInfo>

#include <fstream>

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

bool SameLanguage(const QString& a, const QString& b) {
    return a.toLower() == b.toLower();
}

QString Widened(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Narrowed(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// Entry data as stored: 0x01, one wide string per language after the first,
// 0x00. The array is owned here until the dictionary accepts it.
void* LoadWords(TValueReader& reader) {
    auto data = std::make_unique<TDictStoreData>();
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        data->Words.push_back(QString::fromStdU16String(reader.ReadWideString()));
    }
    reader.ReadListEnd();
    return data.release();
}

void StoreWords(TValueWriter& writer, void* data) {
    writer.WriteListBegin();
    if (data != nullptr) {
        for (const QString& word : static_cast<TDictStoreData*>(data)->Words) {
            writer.WriteWideString(word.toStdU16String());
        }
    }
    writer.WriteListEnd();
}

void DisposeWords(void* data) {
    delete static_cast<TDictStoreData*>(data);
}

}  // namespace

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
    std::ofstream file(FFileName, std::ios::out | mode);
    for (const std::string& text : FCollected) {
        file << text << "\r\n";
    }
}

TSFTranslateRepository::TSFTranslateRepository(QObject* owner)
    : QObject(owner),
      FCollector(std::make_unique<TSFTranslateRepositoryCollector>()),
      FDictionary(2000) {
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

void TSFTranslateRepository::SetCurrentLanguage(const QString& language) {
    if (FLanguages.empty() || SameLanguage(language, FCurrentLanguage)) {
        return;
    }
    for (std::size_t i = 0; i < FLanguages.size(); ++i) {
        if (SameLanguage(FLanguages[i].Name, language)) {
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
    if (SameLanguage(language.Name, FCurrentLanguage)) {
        FCurrentLanguage = language.Name;
        FCurrentLanguageIndex = position;
    }
}

void TSFTranslateRepository::ReadLanguages(TValueReader& reader) {
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        TLanguageData language;
        language.Name = QString::fromStdU16String(reader.ReadWideString());
        language.SecondText = QString::fromStdU16String(reader.ReadWideString());
        language.Value = reader.ReadRawInt32();
        FLanguages.push_back(language);
        MatchLanguage(FLanguages.back(), static_cast<std::int32_t>(FLanguages.size() - 1));
    }
    reader.ReadListEnd();
}

bool TSFTranslateRepository::LoadDictionary(const QString& fileName) {
    ClearDictionary();
    FLastLoadError.clear();
    FLastLoadErrorOffset = -1;
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile()) {
        FLastLoadError = QStringLiteral("the file does not exist");
        return false;
    }
    if (file.size() > kMaxFileSize) {
        FLastLoadError = QStringLiteral("the file is larger than %1 bytes").arg(kMaxFileSize);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        FLastLoadError = QStringLiteral("the file cannot be opened: ") + file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (!LoadDictionaryData(bytes)) {
        return false;
    }
    FDictionaryFileName = Narrowed(fileName);
    return true;
}

bool TSFTranslateRepository::LoadDictionaryData(const QByteArray& bytes) {
    ClearDictionary();
    FLastLoadError.clear();
    FLastLoadErrorOffset = -1;
    try {
        TValueReader reader(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        ReadLanguages(reader);
        FDictionary.Dictionary().LoadFromStream(reader);
    } catch (const TStreamReadError& failure) {
        FLastLoadError = QString::fromUtf8(failure.what());
        FLastLoadErrorOffset = static_cast<qint64>(failure.Offset());
        return false;
    } catch (const std::exception& failure) {
        FLastLoadError = QString::fromUtf8(failure.what());
        return false;
    }
    return true;
}

QString TSFTranslateRepository::Translate(const std::string& text) {
    void* data = nullptr;
    const bool found = FDictionary.Dictionary().Find(text, data);
    if (found && FCurrentLanguageIndex > 0) {
        const auto* entry = static_cast<const TDictStoreData*>(data);
        const auto position = static_cast<std::size_t>(FCurrentLanguageIndex - 1);
        if (entry != nullptr && position < entry->Words.size() &&
            !entry->Words[position].isEmpty()) {
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

QByteArray TSFTranslateRepository::StoreDictionary() const {
    TValueWriter writer;
    writer.WriteListBegin();
    for (const TLanguageData& language : FLanguages) {
        writer.WriteWideString(language.Name.toStdU16String());
        writer.WriteWideString(language.SecondText.toStdU16String());
        writer.WriteRawInt32(language.Value);
    }
    writer.WriteListEnd();
    FDictionary.Dictionary().StoreToStream(writer);
    return QByteArray::fromStdString(writer.Bytes());
}

}  // namespace vantrel
