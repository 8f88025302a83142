// Loading a large translation.dat, and looking texts up in it against a
// QHash keyed by case-folded texts over the same entries. The ratio of the
// two lookups is printed at the end of the run.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QHash>
#include <QString>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "i18n/SFTranslateRepository.h"

namespace {

constexpr int kEntries = 10000;
constexpr int kLanguages = 5;

// Source texts of the length and shape of the program's own: a few English
// words, some with non-ASCII letters, made unique by a number.
std::string SourceText(int i) {
    // UTF-8 bytes as escapes; an octal one ends after three digits, so a
    // letter may follow it in the same literal (a hex escape would take it).
    static const char* const kWords[] = {"new",
                                         "version",
                                         "download",
                                         "install",
                                         "ready",
                                         "click",
                                         "here",
                                         "product",
                                         "update",
                                         "server",
                                         "error",
                                         "please",
                                         "check",
                                         "internet",
                                         "connection",
                                         "later",
                                         "visit",
                                         "web",
                                         "site",
                                         "paused",
                                         "resume",
                                         "start",
                                         "close",
                                         "hide",
                                         "show",
                                         "quit",
                                         "copy",
                                         "text",
                                         "daily",
                                         "weekly",
                                         "monthly",
                                         "never",
                                         "about",
                                         "features",
                                         "description",
                                         "\xC3\xA4nderung",
                                         "gr\303\266\303\237e",
                                         "available",
                                         "to",
                                         "the",
                                         "of",
                                         "is"};
    constexpr std::uint32_t kCount = sizeof kWords / sizeof kWords[0];
    std::uint32_t state = static_cast<std::uint32_t>(i) * 2654435761u + 12345u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    std::string text = std::to_string(i % 97);
    const std::uint32_t words = 3 + next() % 6;
    for (std::uint32_t w = 0; w < words; ++w) {
        text += ' ';
        text += kWords[next() % kCount];
    }
    return text + " " + std::to_string(i);
}

std::vector<std::string> Keys() {
    std::vector<std::string> keys;
    keys.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        keys.push_back(SourceText(i));
    }
    return keys;
}

// Lookups as the windows make them: mostly the stored spelling, some in
// another case.
std::vector<std::string> Queries() {
    std::vector<std::string> queries = Keys();
    for (std::size_t i = 0; i < queries.size(); i += 3) {
        for (char& c : queries[i]) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
    }
    return queries;
}

vantrel::TWordsArray Words(int i) {
    vantrel::TWordsArray words;
    for (int language = 1; language < kLanguages; ++language) {
        words.push_back(QStringLiteral("\u00dcbersetzung %1 in Sprache %2")
                            .arg(i)
                            .arg(language)
                            .toStdU16String());
    }
    return words;
}

std::filesystem::path DictionaryFile(std::int32_t hashSize) {
    static std::map<std::int32_t, std::filesystem::path> files;
    auto found = files.find(hashSize);
    if (found != files.end()) {
        return found->second;
    }
    vantrel::TSFTranslateRepository repository;
    std::vector<vantrel::TLanguageData> languages = {{u"English", {}, 0}};
    for (int language = 1; language < kLanguages; ++language) {
        languages.push_back({QStringLiteral("Language %1").arg(language).toStdU16String(), {}, 0});
    }
    repository.SetLanguages(languages);
    repository.SetHashSize(hashSize);
    for (int i = 0; i < kEntries; ++i) {
        repository.AddWord(SourceText(i), Words(i));
    }
    auto path =
        std::filesystem::temp_directory_path() /
        ("vantrel_bench_" + std::to_string(getpid()) + "_" + std::to_string(hashSize) + ".dat");
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QByteArray::fromStdString(repository.StoreDictionary())) < 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    files.emplace(hashSize, path);
    return path;
}

void LoadDictionary(benchmark::State& state) {
    const std::string path = DictionaryFile(static_cast<std::int32_t>(state.range(0))).string();
    for ([[maybe_unused]] auto _ : state) {
        vantrel::TSFTranslateRepository repository;
        if (!repository.LoadDictionary(path)) {
            state.SkipWithError("the dictionary does not load");
            return;
        }
        benchmark::DoNotOptimize(repository.WordCount());
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(LoadDictionary)->Arg(2000)->Arg(20011)->Unit(benchmark::kMillisecond);

void TranslateRepository(benchmark::State& state) {
    vantrel::TSFTranslateRepository repository;
    repository.LoadDictionary(DictionaryFile(static_cast<std::int32_t>(state.range(0))).string());
    repository.SetCurrentLanguage(u"Language 3");
    const std::vector<std::string> queries = Queries();
    for ([[maybe_unused]] auto _ : state) {
        for (const std::string& query : queries) {
            benchmark::DoNotOptimize(repository.Translate(query));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(queries.size()));
}
BENCHMARK(TranslateRepository)->Arg(2000)->Arg(20011);

// The peer: Qt's own hash, keyed by the case-folded text, over the same
// entries; each lookup folds its query as the repository does.
void TranslateQHash(benchmark::State& state) {
    QHash<QString, vantrel::TWordsArray> table;
    for (int i = 0; i < kEntries; ++i) {
        table.insert(QString::fromUtf8(SourceText(i)).toCaseFolded(), Words(i));
    }
    const std::vector<std::string> queries = Queries();
    const std::size_t position = 2;  // "Language 3"
    for ([[maybe_unused]] auto _ : state) {
        for (const std::string& query : queries) {
            const auto found = table.constFind(
                QString::fromUtf8(query.data(), static_cast<qsizetype>(query.size()))
                    .toCaseFolded());
            // What the repository gives back: a text of its own.
            benchmark::DoNotOptimize(found != table.cend()
                                         ? found->at(position)
                                         : QString::fromUtf8(query).toStdU16String());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(queries.size()));
}
BENCHMARK(TranslateQHash);

// Prints the lookup ratio of the run once every benchmark has reported.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            FSeconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double peer = FSeconds["TranslateQHash"];
        for (const char* name : {"TranslateRepository/2000", "TranslateRepository/20011"}) {
            if (peer > 0 && FSeconds.count(name)) {
                std::printf("%s / TranslateQHash: %.2f\n", name, FSeconds[name] / peer);
            }
        }
    }

private:
    std::map<std::string, double> FSeconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (std::int32_t size : {2000, 20011}) {
        std::filesystem::remove(DictionaryFile(size));
    }
    return 0;
}
