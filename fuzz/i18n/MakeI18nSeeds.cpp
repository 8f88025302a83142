// Writes the starting corpora of the two i18n fuzz targets: small valid
// dictionary files and stored tables, made by the code that reads them.
#include <QFile>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <string>

#include "i18n/SFTranslateComponent.h"
#include "i18n/SFTranslateRepository.h"

namespace {

void Save(const std::filesystem::path& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

QByteArray Dictionary(int languages, int entries, std::int32_t hashSize) {
    vantrel::TSFTranslateRepository repository;
    std::vector<vantrel::TLanguageData> list = {{QStringLiteral("English"), {}, 0}};
    for (int i = 1; i < languages; ++i) {
        list.push_back({QStringLiteral("Language %1").arg(i), QStringLiteral("x"), i});
    }
    repository.SetLanguages(list);
    repository.SetHashSize(hashSize);
    for (int i = 0; i < entries; ++i) {
        vantrel::TWordsArray words;
        for (int j = 1; j < languages; ++j) {
            words.push_back(QStringLiteral("Wort %1 \u00e4 %2").arg(i).arg(j));
        }
        repository.AddWord("Text " + std::to_string(i), words);
    }
    return repository.StoreDictionary();
}

QByteArray Table() {
    vantrel::TSFTranslateComponent translator;
    translator.SetFormName("fVantrelMain");
    translator.SetControlTable({{"Label2", "Check for update", "", true, true},
                                {"btnHide", "Hide", "", true, true},
                                {"miCopyText", "Copy text", "", true, false},
                                {"miTrayQuit", "Quit", "Quit the program", false, true}});
    return translator.WriteTranslateComponents();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DICTIONARY_SEEDS TABLE_SEEDS\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dictionaries = argv[1];
    const std::filesystem::path tables = argv[2];
    std::filesystem::create_directories(dictionaries);
    std::filesystem::create_directories(tables);
    Save(dictionaries / "two_languages", Dictionary(2, 3, 2000));
    Save(dictionaries / "three_languages", Dictionary(3, 8, 7));
    Save(dictionaries / "no_entries", Dictionary(1, 0, 1));
    Save(tables / "main_window", Table());
    return 0;
}
