// Loading "translation.dat" into the repository, and looking texts up in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/SFTranslateRepository.h"
#include "platform/Utf8Path.h"
#include "tests/i18n/DictionaryBytes.h"
#include "tests/support/TempDir.h"

namespace vantrel {
namespace {

using test::TDictBytes;

std::string PathOf(const std::filesystem::path& path) {
    return platform::Utf8Text(path);
}

std::string FromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return bytes;
}

std::filesystem::path Store(const test::TempDir& dir, const std::string& bytes,
                            const std::string& name = "translation.dat") {
    auto path = dir / name;
    test::WriteFile(path, bytes);
    return path;
}

std::string ReadText(const std::filesystem::path& path) {
    const auto bytes = test::ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

// English and Deutsch, hash size 2000, "Hide" as "Ausblenden", written out
// exactly as the format's worked example lists it.
std::string WorkedExample() {
    return FromHex(
        "01"
        "1207000000"
        "45006e0067006c00690073006800"
        "1200000000"
        "00000000"
        "1207000000"
        "44006500750074007300630068"
        "00"
        "1200000000"
        "00000000"
        "00"
        "060d"
        "5453744469637469"
        "6f6e617279"
        "060b"
        "54537444696374"
        "4e6f6465"
        "03d007"
        "01"
        "0604"
        "48696465"
        "01"
        "120a000000"
        "41007500730062006c0065006e00640065006e00"
        "00"
        "00");
}

const std::string kFrancais =
    "Fran\xC3\xA7"
    "ais";
const std::u16string kFrancaisWide = u"Fran\u00E7ais";

std::string ThreeLanguages() {
    TDictBytes file;
    file.Byte(0x01).Language("English").Language("Deutsch");
    file.Utf8(kFrancais).Wide("").Int32(0).Byte(0x00).Header().Byte(0x01);
    file.Entry("Hide", {"Ausblenden", "Masquer"});
    file.Entry("Quit", {"Beenden"});  // no French: the array is one short
    file.Entry("Close", {"", "Fermer"});
    return file.Byte(0x00).Bytes();
}

TEST(RepositoryLoadTest, WorkedExampleLoadsAndStoresByteForByte) {
    test::TempDir dir;
    const auto path = Store(dir, WorkedExample());
    TSFTranslateRepository repository;
    ASSERT_TRUE(repository.LoadDictionary(PathOf(path))) << repository.LastLoadError();
    EXPECT_EQ(repository.LanguageCount(), 2);
    EXPECT_EQ(repository.WordCount(), 1);
    EXPECT_EQ(repository.HashSize(), 2000);
    EXPECT_EQ(repository.DictionaryFileName(), PathOf(path));
    EXPECT_EQ(repository.Languages()[1], (TLanguageData{u"Deutsch", u"", 0}));
    repository.SetCurrentLanguage(u"Deutsch");
    EXPECT_EQ(repository.Translate("Hide"), u"Ausblenden");
    EXPECT_EQ(repository.StoreDictionary(), WorkedExample());
}

// Outside the system's code page too: on Windows a name passed on as a
// plain narrow string would lose these letters.
TEST(RepositoryLoadTest, FileNamesAreUtf8Paths) {
    test::TempDir dir;
    const auto folder = dir.path() / platform::Utf8Path(
                                         "\xC3\x9C"
                                         "bersetzung \xE6\x97\xA5");
    std::filesystem::create_directories(folder);
    const auto path = folder / "translation.dat";
    test::WriteFile(path, WorkedExample());
    const auto collected = folder / "missing.txt";
    {
        TSFTranslateRepository repository;
        ASSERT_TRUE(repository.LoadDictionary(PathOf(path))) << repository.LastLoadError();
        EXPECT_EQ(repository.DictionaryFileName(), PathOf(path));
        repository.Collector().SetFileName(PathOf(collected));
        repository.Collector().SetEnabled(true);
        repository.SetCurrentLanguage(u"Deutsch");
        repository.Translate("Not there");
    }
    EXPECT_EQ(ReadText(collected), "Not there\r\n");
}

TEST(RepositoryLoadTest, LanguagesAndKeysMatchWithoutRegardToCase) {
    test::TempDir dir;
    TSFTranslateRepository repository;
    ASSERT_TRUE(repository.LoadDictionary(PathOf(Store(dir, ThreeLanguages()))));
    repository.SetCurrentLanguage(u"deutsch");
    EXPECT_EQ(repository.CurrentLanguage(), u"Deutsch");
    EXPECT_EQ(repository.CurrentLanguageIndex(), 1);
    EXPECT_EQ(repository.Translate("Hide"), u"Ausblenden");
    EXPECT_EQ(repository.Translate("HIDE"), u"Ausblenden");

    repository.SetCurrentLanguage(u"FRAN\u00C7AIS");
    EXPECT_EQ(repository.CurrentLanguage(), kFrancaisWide);
    EXPECT_EQ(repository.Translate("hide"), u"Masquer");

    repository.SetCurrentLanguage(u"Klingon");  // not in the file
    EXPECT_EQ(repository.CurrentLanguage(), kFrancaisWide);
    EXPECT_EQ(repository.CurrentLanguageIndex(), 2);
}

TEST(RepositoryLoadTest, MissingTranslationsFollowReturnEnglishIfMissed) {
    test::TempDir dir;
    TSFTranslateRepository repository;
    ASSERT_TRUE(repository.LoadDictionary(PathOf(Store(dir, ThreeLanguages()))));
    repository.SetCurrentLanguage(kFrancaisWide);
    EXPECT_EQ(repository.Translate("Quit"), u"");  // array too short
    EXPECT_EQ(repository.Translate("Not in the file"), u"Not in the file");
    repository.SetReturnEnglishIfMissed(true);
    EXPECT_EQ(repository.Translate("Quit"), u"Quit");
    repository.SetCurrentLanguage(u"Deutsch");
    EXPECT_EQ(repository.Translate("Close"), u"Close");  // empty translation
    repository.SetReturnEnglishIfMissed(false);
    EXPECT_EQ(repository.Translate("Close"), u"");
}

TEST(RepositoryLoadTest, LanguageIsMatchedDuringTheLoadAndOnlyAfterIt) {
    test::TempDir dir;
    TSFTranslateRepository repository;
    repository.SetCurrentLanguage(u"Deutsch");  // nothing loaded: no effect
    EXPECT_EQ(repository.CurrentLanguage(), u"English");

    TDictBytes file;
    file.Byte(0x01).Language("ENGLISH").Language("Deutsch").Language("english").Byte(0x00);
    file.Header().Byte(0x01).Byte(0x00);
    ASSERT_TRUE(repository.LoadDictionary(PathOf(Store(dir, file.Bytes()))));
    // The stored name "English" is matched as the file spells it; the later
    // match wins.
    EXPECT_EQ(repository.CurrentLanguage(), u"english");
    EXPECT_EQ(repository.CurrentLanguageIndex(), 2);
}

TEST(RepositoryLoadTest, SourceLanguageReturnsEveryTextAndCollectsNothing) {
    test::TempDir dir;
    const auto collected = dir / "missing.txt";
    {
        TSFTranslateRepository repository;
        repository.Collector().SetFileName(PathOf(collected));
        repository.Collector().SetEnabled(true);
        ASSERT_TRUE(repository.LoadDictionary(PathOf(Store(dir, ThreeLanguages()))));
        EXPECT_EQ(repository.Translate("Hide"), u"Hide");
        EXPECT_EQ(repository.Translate("Unknown"), u"Unknown");
        EXPECT_TRUE(repository.Collector().Collected().empty());
    }
    EXPECT_EQ(ReadText(collected), "");
}

TEST(RepositoryLoadTest, MissingFileEmptiesTheRepositoryButKeepsTheLanguageIndex) {
    test::TempDir dir;
    TSFTranslateRepository repository;
    ASSERT_TRUE(repository.LoadDictionary(PathOf(Store(dir, ThreeLanguages()))));
    repository.SetCurrentLanguage(u"Deutsch");
    const std::string loadedName = repository.DictionaryFileName();

    EXPECT_FALSE(repository.LoadDictionary(PathOf(dir / "absent.dat")));
    EXPECT_EQ(repository.LanguageCount(), 0);
    EXPECT_EQ(repository.WordCount(), 0);
    EXPECT_EQ(repository.DictionaryFileName(), loadedName);
    EXPECT_EQ(repository.CurrentLanguageIndex(), 1);
    EXPECT_EQ(repository.Translate("Hide"), u"Hide");
    EXPECT_FALSE(repository.LoadDictionary(PathOf(dir.path())));  // a directory is no file
}

TEST(RepositoryLoadTest, ForeignContainerClassKeepsLanguagesButLoadsNoEntries) {
    test::TempDir dir;
    TDictBytes file;
    file.Byte(0x01).Language("English").Language("Deutsch").Byte(0x00);
    file.Short("TStHashTable").Short("TStDictNode").Byte(0x03).Byte(0xD0).Byte(0x07);
    file.Byte(0x01).Entry("Hide", {"Ausblenden"}).Byte(0x00);
    TSFTranslateRepository repository;
    EXPECT_FALSE(repository.LoadDictionary(PathOf(Store(dir, file.Bytes()))));
    EXPECT_EQ(repository.LanguageCount(), 2);
    EXPECT_EQ(repository.WordCount(), 0);
    EXPECT_TRUE(repository.DictionaryFileName().empty());
    EXPECT_NE(repository.LastLoadError().find("TStHashTable"), std::string::npos);
}

TEST(RepositoryLoadTest, DuplicateKeyStopsTheLoadAndKeepsTheEntriesBefore) {
    test::TempDir dir;
    const std::string file =
        test::DictionaryFile({"English", "Deutsch"}, {{"Hide", {"Ausblenden"}},
                                                      {"Quit", {"Beenden"}},
                                                      {"HIDE", {"Verstecken"}},
                                                      {"Close", {"Schliessen"}}});
    TSFTranslateRepository repository;
    EXPECT_FALSE(repository.LoadDictionary(PathOf(Store(dir, file))));
    EXPECT_EQ(repository.WordCount(), 2);
    repository.SetCurrentLanguage(u"Deutsch");
    EXPECT_EQ(repository.Translate("Hide"), u"Ausblenden");
    EXPECT_EQ(repository.Translate("Close"), u"Close");
    EXPECT_NE(repository.LastLoadError().find("duplicate"), std::string::npos);
}

TEST(RepositoryLoadTest, BytesAfterTheEndAreIgnoredAndNonAsciiKeysFoldCase) {
    test::TempDir dir;
    std::string file = test::DictionaryFile({"English", "Deutsch"}, {{"Gr\xC3\xB6\xC3\x9F"
                                                                      "e",
                                                                      {"Size"}},
                                                                     {"\xC3\x84rger", {"Anger"}}});
    file += "trailing garbage";
    TSFTranslateRepository repository;
    ASSERT_TRUE(repository.LoadDictionary(PathOf(Store(dir, file))));
    repository.SetCurrentLanguage(u"Deutsch");
    EXPECT_EQ(repository.Translate("GR\xC3\x96SSE"), u"Size");
    EXPECT_EQ(repository.Translate("\xC3\xA4RGER"), u"Anger");
}

// Offsets at which each language record and each entry of a file is complete.
struct TCutFile {
    std::string Bytes;
    std::vector<int> LanguageEnds;
    std::vector<int> EntryEnds;
};

TCutFile FileWithBoundaries() {
    TCutFile cut;
    TDictBytes file;
    file.Byte(0x01);
    for (const char* name : {"English", "Deutsch", "Nederlands"}) {
        file.Language(name);
        cut.LanguageEnds.push_back(static_cast<int>(file.Bytes().size()));
    }
    file.Byte(0x00).Header(7).Byte(0x01);
    const std::vector<std::pair<std::string, std::vector<std::string>>> entries = {
        {"Hide", {"Ausblenden", "Verbergen"}},
        {"Quit", {"Beenden"}},
        {std::string(300, 'k'), {"lang"}},  // a long-string key
        {"Close", {}},
    };
    for (const auto& [key, words] : entries) {
        if (key.size() > 255) {
            file.Byte(0x0C).Int32(static_cast<std::int32_t>(key.size())).Raw(key).Byte(0x01);
            for (const auto& word : words) {
                file.Wide(word);
            }
            file.Byte(0x00);
        } else {
            file.Entry(key, words);
        }
        cut.EntryEnds.push_back(static_cast<int>(file.Bytes().size()));
    }
    cut.Bytes = file.Byte(0x00).Bytes();
    return cut;
}

TEST(RepositoryLoadTest, FileCutAtEveryByteFailsKeepingWhatWasRead) {
    test::TempDir dir;
    const TCutFile cut = FileWithBoundaries();
    const auto path = dir / "cut.dat";
    TSFTranslateRepository repository;
    for (int size = 0; size < static_cast<int>(cut.Bytes.size()); ++size) {
        test::WriteFile(path, cut.Bytes.substr(0, static_cast<std::size_t>(size)));
        ASSERT_FALSE(repository.LoadDictionary(PathOf(path))) << size;
        const auto complete = [size](const std::vector<int>& ends) {
            return static_cast<std::int32_t>(
                std::count_if(ends.begin(), ends.end(), [size](int end) { return end <= size; }));
        };
        EXPECT_EQ(repository.LanguageCount(), complete(cut.LanguageEnds)) << size;
        EXPECT_EQ(repository.WordCount(), complete(cut.EntryEnds)) << size;
        EXPECT_TRUE(repository.DictionaryFileName().empty()) << size;
        EXPECT_GE(repository.LastLoadErrorOffset(), 0) << size;
        EXPECT_LE(repository.LastLoadErrorOffset(), size) << size;
    }
    test::WriteFile(path, cut.Bytes);
    ASSERT_TRUE(repository.LoadDictionary(PathOf(path)));
    EXPECT_EQ(repository.WordCount(), 4);
    repository.SetCurrentLanguage(u"deutsch");
    EXPECT_EQ(repository.Translate(std::string(300, 'K')), u"lang");
}

TEST(RepositoryLoadTest, OversizedLengthsAndHashSizesFailWithoutAllocating) {
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"language name", TDictBytes().Byte(0x01).Byte(0x12).Int32(0x7FFFFFFF).Bytes()},
        {"second text", TDictBytes().Byte(0x01).Wide("English").Byte(0x0C).Int32(-2).Bytes()},
        {"class name", TDictBytes().Byte(0x01).Byte(0x00).Byte(0x14).Int32(0x7FFFFFF0).Bytes()},
        {"key", TDictBytes()
                    .Byte(0x01)
                    .Byte(0x00)
                    .Header()
                    .Byte(0x01)
                    .Byte(0x0C)
                    .Int32(0x7FFFFFFF)
                    .Raw("Hide")
                    .Bytes()},
        {"word", TDictBytes()
                     .Byte(0x01)
                     .Byte(0x00)
                     .Header()
                     .Byte(0x01)
                     .Short("Hide")
                     .Byte(0x01)
                     .Byte(0x12)
                     .Int32(0x40000000)
                     .Bytes()},
        {"hash size", TDictBytes()
                          .Byte(0x01)
                          .Byte(0x00)
                          .Short("TStDictionary")
                          .Short("TStDictNode")
                          .Byte(0x04)
                          .Int32(0x7FFFFFFF)
                          .Byte(0x01)
                          .Byte(0x00)
                          .Bytes()},
        {"tag where a word is expected", TDictBytes()
                                             .Byte(0x01)
                                             .Byte(0x00)
                                             .Header()
                                             .Byte(0x01)
                                             .Short("Hide")
                                             .Byte(0x01)
                                             .Byte(0x04)
                                             .Int32(1)
                                             .Byte(0x00)
                                             .Byte(0x00)
                                             .Bytes()},
    };
    test::TempDir dir;
    for (const auto& [what, bytes] : damaged) {
        TSFTranslateRepository repository;
        EXPECT_FALSE(repository.LoadDictionary(PathOf(Store(dir, bytes)))) << what;
        EXPECT_FALSE(repository.LastLoadError().empty()) << what;
    }
}

TEST(CollectorTest, WritesEachMissingTextOnceWhenTheRepositoryGoes) {
    test::TempDir dir;
    const auto dictionary = Store(dir, ThreeLanguages());
    const auto list = dir / "missing.txt";
    auto run = [&](bool rewrite) {
        TSFTranslateRepository repository;
        repository.SetReturnEnglishIfMissed(true);
        repository.Collector().SetFileName(PathOf(list));
        repository.Collector().SetEnabled(true);
        repository.Collector().SetRewriteFile(rewrite);
        ASSERT_TRUE(repository.LoadDictionary(PathOf(dictionary)));
        repository.SetCurrentLanguage(u"Deutsch");
        repository.Translate("Hide");       // translated: not collected
        repository.Translate("Close");      // entry with an empty translation
        repository.Translate("Not there");  // no entry at all
        repository.Translate("NOT THERE");  // the same text again
        repository.Translate("");
    };
    run(true);
    EXPECT_EQ(ReadText(list), "Close\r\nNot there\r\n");
    run(false);
    EXPECT_EQ(ReadText(list), "Close\r\nNot there\r\nClose\r\nNot there\r\n");
    run(true);
    EXPECT_EQ(ReadText(list), "Close\r\nNot there\r\n");
}

TEST(CollectorTest, DisabledCollectorStillRewritesItsFileAndBlankNamesDisable) {
    test::TempDir dir;
    const auto list = dir / "missing.txt";
    test::WriteFile(list, std::string("old\r\n"));
    {
        TSFTranslateRepositoryCollector collector;
        collector.SetFileName(PathOf(list));
        collector.CollectWord("ignored?");  // collecting needs no Enabled; Translate checks it
    }
    EXPECT_EQ(ReadText(list), "ignored?\r\n");
    {
        TSFTranslateRepositoryCollector collector;
        collector.SetFileName(PathOf(list));
    }
    EXPECT_EQ(ReadText(list), "");

    TSFTranslateRepositoryCollector blank;
    blank.SetEnabled(true);
    blank.SetFileName(" \t\r\n");
    EXPECT_FALSE(blank.Enabled());
    blank.SetEnabled(true);
    blank.SetFileName("name");
    EXPECT_TRUE(blank.Enabled());
}

}  // namespace
}  // namespace vantrel
