// vantrel-dict: the translators' tool. Builds "translation.dat" from .po
// files, shows what a dictionary file holds, looks texts up in it the way
// the program does, and writes the template of every text to translate.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "i18n/SFTranslateRepository.h"
#include "i18n/UnicodeText.h"
#include "tools/dict/DumpDictionary.h"
#include "tools/dict/LookedUpTexts.h"
#include "tools/dict/PoCatalog.h"

namespace vantrel::tools {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // refused input, or a dictionary that does not load
constexpr int kExitUsage = 2;   // bad command line, unreadable or unwritable file

class TDictToolError : public std::runtime_error {
public:
    TDictToolError(int status, const std::string& message)
        : std::runtime_error(message), FStatus(status) {}
    int Status() const { return FStatus; }

private:
    int FStatus;
};

TDictToolError UsageError(const std::string& message) {
    return {kExitUsage, message + " (see vantrel-dict --help)"};
}

const char* const kUsage =
    "usage:\n"
    "  vantrel-dict build -o translation.dat [--hash-size N] LANG.po...\n"
    "      one .po file per language, named by its X-Language-Name header;\n"
    "      English is the source language; N defaults to 2000\n"
    "  vantrel-dict dump [--json] FILE\n"
    "      the languages, the hash size and every entry; on a failed load,\n"
    "      what was read and where it failed (exit status 1)\n"
    "  vantrel-dict translate FILE LANGUAGE TEXT\n"
    "      what the program shows for TEXT in LANGUAGE (exit status 1 when\n"
    "      FILE does not load)\n"
    "  vantrel-dict pot -o vantrel.pot\n"
    "      the template of every English text the program looks up\n";

std::string Narrow(const std::u16string& text) {
    return unicode::Utf16ToUtf8Lenient(text);
}

std::u16string Widen(const std::string& text) {
    return unicode::Utf8ToUtf16Lenient(text);
}

std::int32_t ParseHashSize(const std::string& text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > kMaxHashSize) {
        throw UsageError("--hash-size takes a number from 1 to " + std::to_string(kMaxHashSize));
    }
    return value;
}

// The file appears under its name only complete.
void WriteAtomically(const std::filesystem::path& path, const std::string& bytes,
                     const std::function<void(const std::filesystem::path&)>& check = {}) {
    const std::filesystem::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temporary);
            throw TDictToolError(kExitUsage, path.string() + ": cannot be written");
        }
    }
    try {
        if (check) {
            check(temporary);
        }
        std::filesystem::rename(temporary, path);
    } catch (...) {
        std::filesystem::remove(temporary);
        throw;
    }
}

// build ----------------------------------------------------------------------

struct TBuildLine {
    std::optional<std::string> Output;
    std::int32_t HashSize = 2000;
    std::vector<std::string> PoFiles;
};

TBuildLine ParseBuild(const std::vector<std::string>& args) {
    TBuildLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--hash-size") {
            if (i + 1 == args.size()) {
                throw UsageError(args[i] + " needs a value");
            }
            if (args[i] == "-o") {
                line.Output = args[++i];
            } else {
                line.HashSize = ParseHashSize(args[++i]);
            }
        } else if (args[i].starts_with("-")) {
            throw UsageError("unknown option " + args[i]);
        } else {
            line.PoFiles.push_back(args[i]);
        }
    }
    if (!line.Output) {
        throw UsageError("build needs -o FILE");
    }
    if (line.PoFiles.empty()) {
        throw UsageError("build needs at least one .po file");
    }
    return line;
}

TPoCatalog ReadLanguage(const std::string& fileName) {
    try {
        TPoCatalog catalog = ReadPoCatalog(fileName);
        if (catalog.LanguageName.empty()) {
            throw TDictToolError(kExitFailed, fileName + ": the header names no X-Language-Name");
        }
        return catalog;
    } catch (const TPoError& failure) {
        throw TDictToolError(kExitFailed, failure.what());
    }
}

std::vector<TLanguageData> LanguagesOf(const std::vector<TPoCatalog>& catalogs,
                                       const std::vector<std::string>& files) {
    std::vector<TLanguageData> languages = {{u"English", {}, 0}};
    for (std::size_t i = 0; i < catalogs.size(); ++i) {
        const std::u16string name = Widen(catalogs[i].LanguageName);
        for (const TLanguageData& known : languages) {
            if (SameLanguageName(known.Name, name)) {
                throw TDictToolError(kExitFailed, files[i] + ": the language \"" +
                                                      catalogs[i].LanguageName +
                                                      "\" is there already");
            }
        }
        languages.push_back({name, {}, 0});
    }
    return languages;
}

// Every msgid of any file, in the order first seen, with one translation per
// language (empty where a file lacks it).
std::vector<std::pair<std::string, TWordsArray>> EntriesOf(
    const std::vector<TPoCatalog>& catalogs) {
    std::vector<std::pair<std::string, TWordsArray>> entries;
    std::map<std::string, std::size_t> byFolded;
    for (std::size_t language = 0; language < catalogs.size(); ++language) {
        for (const TPoEntry& entry : catalogs[language].Entries) {
            const std::string folded = FoldKey(entry.MsgId);
            auto [at, added] = byFolded.emplace(folded, entries.size());
            if (added) {
                entries.emplace_back(entry.MsgId, TWordsArray(catalogs.size()));
            } else if (entries[at->second].first != entry.MsgId) {
                throw TDictToolError(kExitFailed, "\"" + entry.MsgId + "\" and \"" +
                                                      entries[at->second].first +
                                                      "\" differ only in case: the dictionary "
                                                      "holds one of them");
            }
            entries[at->second].second[language] = Widen(entry.MsgStr);
        }
    }
    return entries;
}

int RunBuild(const std::vector<std::string>& args) {
    const TBuildLine line = ParseBuild(args);
    std::vector<TPoCatalog> catalogs;
    for (const std::string& file : line.PoFiles) {
        catalogs.push_back(ReadLanguage(file));
    }
    TSFTranslateRepository repository;
    repository.SetHashSize(line.HashSize);
    repository.SetLanguages(LanguagesOf(catalogs, line.PoFiles));
    const auto entries = EntriesOf(catalogs);
    for (const auto& [key, words] : entries) {
        repository.AddWord(key, words);
    }
    const std::string bytes = repository.StoreDictionary();
    // Only a file the program itself loads whole is put in place.
    WriteAtomically(*line.Output, bytes, [&](const std::filesystem::path& written) {
        TSFTranslateRepository check;
        if (!check.LoadDictionary(written.string()) ||
            check.WordCount() != static_cast<std::int32_t>(entries.size())) {
            throw TDictToolError(
                kExitFailed, "the written dictionary does not load back: " + check.LastLoadError());
        }
    });
    return kExitOk;
}

// dump, translate -------------------------------------------------------------

int RunDump(const std::vector<std::string>& args) {
    bool json = false;
    std::optional<std::string> file;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (arg.starts_with("-") || file) {
            throw UsageError("dump takes [--json] FILE");
        } else {
            file = arg;
        }
    }
    if (!file) {
        throw UsageError("dump takes [--json] FILE");
    }
    TSFTranslateRepository repository;
    const bool loaded = repository.LoadDictionary(*file);
    std::cout << (json ? DumpAsJson(*file, repository, loaded)
                       : DumpAsText(*file, repository, loaded));
    return loaded ? kExitOk : kExitFailed;
}

int RunTranslate(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        throw UsageError("translate takes FILE LANGUAGE TEXT");
    }
    TSFTranslateRepository repository;
    repository.SetReturnEnglishIfMissed(true);
    const bool loaded = repository.LoadDictionary(args[0]);
    if (!loaded) {
        std::cerr << "vantrel-dict: " << args[0] << ": " << repository.LastLoadError() << "\n";
    }
    repository.SetCurrentLanguage(Widen(args[1]));
    if (!SameLanguageName(repository.CurrentLanguage(), Widen(args[1]))) {
        std::cerr << "vantrel-dict: no language \"" << args[1] << "\"; \""
                  << Narrow(repository.CurrentLanguage()) << "\" stays in force\n";
    }
    std::cout << Narrow(repository.Translate(args[2])) << "\n";
    return loaded ? kExitOk : kExitFailed;
}

// pot -------------------------------------------------------------------------

std::string TemplateText() {
    std::string pot =
        "# The English texts that Vantrel looks up in translation.dat.\n"
        "# Written by \"vantrel-dict pot\"; translate it into LANG.po and set\n"
        "# X-Language-Name to the language's own name.\n"
        "msgid \"\"\n"
        "msgstr \"\"\n"
        "\"Project-Id-Version: Vantrel\\n\"\n"
        "\"MIME-Version: 1.0\\n\"\n"
        "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
        "\"Content-Transfer-Encoding: 8bit\\n\"\n"
        "\"X-Language-Name: \\n\"\n";
    for (const texts::TSourceText& text : LookedUpTexts()) {
        pot += "\n#. " + text.Context + "\n";
        if (text.Text.find('%') != std::string::npos) {
            pot += "#, c-format\n";
        }
        pot += "msgid \"" + PoEscaped(text.Text) + "\"\nmsgstr \"\"\n";
    }
    return pot;
}

int RunPot(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0] != "-o") {
        throw UsageError("pot takes -o FILE");
    }
    WriteAtomically(args[1], TemplateText());
    return kExitOk;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << kUsage;
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "build") {
        return RunBuild(rest);
    }
    if (args[0] == "dump") {
        return RunDump(rest);
    }
    if (args[0] == "translate") {
        return RunTranslate(rest);
    }
    if (args[0] == "pot") {
        return RunPot(rest);
    }
    throw UsageError("unknown command " + args[0]);
}

}  // namespace
}  // namespace vantrel::tools

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    try {
        return vantrel::tools::Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const vantrel::tools::TDictToolError& failure) {
        std::cerr << "vantrel-dict: " << failure.what() << "\n";
        return failure.Status();
    } catch (const std::exception& failure) {
        std::cerr << "vantrel-dict: " << failure.what() << "\n";
        return vantrel::tools::kExitFailed;
    }
}
