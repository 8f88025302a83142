// Writes the starting corpora of the two i18n fuzz targets: small valid
// dictionary files and stored tables, made by the code that reads them.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "i18n/SFTranslateRepository.h"
#include "i18n/UnicodeText.h"
#include "window/i18n/FormTranslator.h"

namespace {

std::u16string Wide(const std::string& text) {
    return vantrel::unicode::Utf8ToUtf16Lenient(text);
}

void Save(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

std::string Dictionary(int languages, int entries, std::int32_t hashSize) {
    vantrel::TSFTranslateRepository repository;
    std::vector<vantrel::TLanguageData> list = {{u"English", {}, 0}};
    for (int i = 1; i < languages; ++i) {
        list.push_back({Wide("Language " + std::to_string(i)), u"x", i});
    }
    repository.SetLanguages(list);
    repository.SetHashSize(hashSize);
    for (int i = 0; i < entries; ++i) {
        vantrel::TWordsArray words;
        for (int j = 1; j < languages; ++j) {
            words.push_back(Wide("Wort " + std::to_string(i) + " \xC3\xA4 " + std::to_string(j)));
        }
        repository.AddWord("Text " + std::to_string(i), words);
    }
    return repository.StoreDictionary();
}

std::string Table() {
    return vantrel::WriteFormTable({"fVantrelMain",
                                    {{"Label2", "Check for update", "", true, true},
                                     {"btnHide", "Hide", "", true, true},
                                     {"miCopyText", "Copy text", "", true, false},
                                     {"miTrayQuit", "Quit", "Quit the program", false, true}}});
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
