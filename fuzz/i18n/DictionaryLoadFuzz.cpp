// Any bytes as "translation.dat": the load must fail cleanly or succeed, and
// what it accepted must be stored and read back unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "i18n/SFTranslateRepository.h"

namespace {

using TContent = std::vector<std::pair<std::string, vantrel::TWordsArray>>;

TContent ContentOf(const vantrel::TSFTranslateRepository& repository) {
    TContent content;
    repository.IterateWords([&](const std::string& key, const vantrel::TWordsArray& words) {
        content.emplace_back(key, words);
    });
    // Reading re-adds entries at the front of their chains, so the table
    // order of a reloaded dictionary is not the stored one.
    std::sort(content.begin(), content.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return content;
}

// A second load of the stored image must give the same languages and the
// same entries.
void CheckStoredImage(vantrel::TSFTranslateRepository& repository) {
    const std::string stored = repository.StoreDictionary();
    vantrel::TSFTranslateRepository again;
    if (!again.LoadDictionaryData(stored) || again.Languages() != repository.Languages() ||
        again.HashSize() != repository.HashSize() || ContentOf(again) != ContentOf(repository)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantrel::TSFTranslateRepository repository;
    repository.SetReturnEnglishIfMissed((size & 1) != 0);
    const bool loaded =
        repository.LoadDictionaryData(std::string_view(reinterpret_cast<const char*>(data), size));
    if (loaded) {
        CheckStoredImage(repository);
    }
    // Lookups move entries within their chains, so the keys are taken first.
    std::vector<std::string> keys;
    repository.IterateWords(
        [&](const std::string& key, const vantrel::TWordsArray&) { keys.push_back(key); });
    for (const vantrel::TLanguageData& language : repository.Languages()) {
        repository.SetCurrentLanguage(language.Name);
        for (const std::string& key : keys) {
            (void)repository.Translate(key);
        }
        (void)repository.Translate("Hide");
    }
    return 0;
}
