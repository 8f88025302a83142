// vantrel-dict, run as a translator runs it: what build writes, dump and
// translate must give back exactly, and damaged input must be refused.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/tools/ToolProcess.h"

namespace vantrel::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

TToolRun Dict(const std::vector<std::string>& args) {
    return RunTool("vantrel-dict", args);
}

std::string PoFile(const std::string& languageName, const std::string& body) {
    return "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
           "\"X-Language-Name: " +
           languageName + "\\n\"\n\n" + body;
}

class DictToolTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        WriteFile(FDir / name, text);
        return (FDir / name).string();
    }
    // German and French with a text only one of them translates, a fuzzy
    // entry, a line break and a non-ASCII key.
    void WriteTwoLanguages() {
        FGerman = Write("de.po", PoFile("Deutsch",
                                        "msgid \"Hide\"\nmsgstr \"Ausblenden\"\n\n"
                                        "msgid \"Quit\"\nmsgstr \"Beenden\"\n\n"
                                        "#, fuzzy\nmsgid \"Close\"\nmsgstr \"Zu\"\n\n"
                                        "msgid \"Visit\\r\\n%s\"\nmsgstr \"Besuchen\\r\\n%s\"\n\n"
                                        "msgid \"Gr\xC3\xB6\xC3\x9F"
                                        "e\"\nmsgstr \"Gr\xC3\xB6\xC3\x9F"
                                        "e DE\"\n"));
        FFrench = Write("fr.po", PoFile("Fran\xC3\xA7"
                                        "ais",
                                        "msgid \"Hide\"\nmsgstr \"Masquer\"\n\n"
                                        "msgid \"Close\"\nmsgstr \"Fermer\"\n\n"
                                        "msgid \"Only French\"\nmsgstr \"Seulement\"\n"));
    }

    TempDir FDir;
    std::string FGerman;
    std::string FFrench;
};

TEST_F(DictToolTest, BuildThenDumpGivesBackEveryLanguageAndEntry) {
    WriteTwoLanguages();
    const std::string out = (FDir / "translation.dat").string();
    const TToolRun built = Dict({"build", "-o", out, "--hash-size", "17", FGerman, FFrench});
    ASSERT_EQ(built.Status, 0) << built.Err;
    EXPECT_FALSE(fs::exists(out + ".tmp"));

    const TToolRun dumped = Dict({"dump", "--json", out});
    ASSERT_EQ(dumped.Status, 0) << dumped.Err;
    const json dump = json::parse(dumped.Out);
    EXPECT_TRUE(dump["loaded"].get<bool>());
    EXPECT_EQ(dump["hashSize"], 17);
    EXPECT_EQ(dump["languages"], json::parse(R"([
        {"name": "English", "secondText": "", "value": 0},
        {"name": "Deutsch", "secondText": "", "value": 0},
        {"name": "Fran\u00e7ais", "secondText": "", "value": 0}])"));
    EXPECT_EQ(dump["entries"], json::parse(R"([
        {"key": "Close", "words": ["", "Fermer"]},
        {"key": "Gr\u00f6\u00dfe", "words": ["Gr\u00f6\u00dfe DE", ""]},
        {"key": "Hide", "words": ["Ausblenden", "Masquer"]},
        {"key": "Only French", "words": ["", "Seulement"]},
        {"key": "Quit", "words": ["Beenden", ""]},
        {"key": "Visit\r\n%s", "words": ["Besuchen\r\n%s", ""]}])"));

    const TToolRun text = Dict({"dump", out});
    EXPECT_EQ(text.Status, 0);
    EXPECT_NE(text.Out.find("  \"Visit\\r\\n%s\"\n    Deutsch: \"Besuchen\\r\\n%s\"\n"),
              std::string::npos)
        << text.Out;
}

TEST_F(DictToolTest, TranslateAnswersAsTheProgramDoes) {
    WriteTwoLanguages();
    const std::string out = (FDir / "translation.dat").string();
    ASSERT_EQ(Dict({"build", "-o", out, FGerman, FFrench}).Status, 0);
    EXPECT_EQ(Dict({"translate", out, "deutsch", "HIDE"}).Out, "Ausblenden\n");
    EXPECT_EQ(Dict({"translate", out,
                    "FRAN\xC3\x87"
                    "AIS",
                    "hide"})
                  .Out,
              "Masquer\n");
    // Fuzzy and missing translations fall back to the English text.
    EXPECT_EQ(Dict({"translate", out, "Deutsch", "Close"}).Out, "Close\n");
    EXPECT_EQ(Dict({"translate", out, "Deutsch", "Not there"}).Out, "Not there\n");
    const TToolRun unknown = Dict({"translate", out, "Klingon", "Hide"});
    EXPECT_EQ(unknown.Status, 0);
    EXPECT_EQ(unknown.Out, "Hide\n");
    EXPECT_NE(unknown.Err.find("Klingon"), std::string::npos);
    const TToolRun missing = Dict({"translate", (FDir / "none.dat").string(), "Deutsch", "Hide"});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(missing.Out, "Hide\n");
}

TEST_F(DictToolTest, DumpOfADamagedFileShowsWhatWasReadAndWhere) {
    WriteTwoLanguages();
    const std::string out = (FDir / "translation.dat").string();
    ASSERT_EQ(Dict({"build", "-o", out, FGerman}).Status, 0);
    const auto bytes = ReadFile(out);
    const std::string cut = (FDir / "cut.dat").string();
    WriteFile(cut, std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 3));

    const TToolRun dumped = Dict({"dump", "--json", cut});
    EXPECT_EQ(dumped.Status, 1);
    const json dump = json::parse(dumped.Out);
    EXPECT_FALSE(dump["loaded"].get<bool>());
    EXPECT_EQ(dump["languages"].size(), 2u);
    EXPECT_EQ(dump["entries"].size(), 4u);  // the last of five is cut off
    EXPECT_GT(dump["errorOffset"].get<int>(), 0);
    EXPECT_LE(dump["errorOffset"].get<std::size_t>(), bytes.size() - 3);
    EXPECT_FALSE(dump["error"].get<std::string>().empty());
    EXPECT_EQ(Dict({"translate", cut, "Deutsch", "Hide"}).Status, 1);
}

TEST_F(DictToolTest, RefusedInputWritesNothing) {
    const std::string out = (FDir / "translation.dat").string();
    const std::string unnamed = Write("x.po",
                                      "msgid \"\"\nmsgstr \"\"\n"
                                      "\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                                      "msgid \"Hide\"\nmsgstr \"Ausblenden\"\n");
    const std::string caseTwins = Write("twins.po", PoFile("Deutsch",
                                                           "msgid \"Hide\"\nmsgstr \"A\"\n\n"
                                                           "msgid \"HIDE\"\nmsgstr \"B\"\n"));
    const std::string latin1 =
        Write("latin1.po",
              "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n"
              "\"X-Language-Name: Deutsch\\n\"\n");
    const std::string english = Write("en.po", PoFile("english", ""));
    for (const std::string& po : {unnamed, caseTwins, latin1, english}) {
        const TToolRun run = Dict({"build", "-o", out, po});
        EXPECT_EQ(run.Status, 1) << po;
        EXPECT_FALSE(run.Err.empty()) << po;
        EXPECT_FALSE(fs::exists(out)) << po;
    }
    EXPECT_EQ(Dict({"build", "-o", out, (FDir / "absent.po").string()}).Status, 1);
    EXPECT_EQ(Dict({"build", "-o", out, "--hash-size", "0", english}).Status, 2);
    EXPECT_EQ(Dict({"build", "-o", out, "--hash-size", "1048577", english}).Status, 2);
    EXPECT_EQ(Dict({"build", english}).Status, 2);
    EXPECT_EQ(Dict({"frobnicate"}).Status, 2);
    EXPECT_FALSE(fs::exists(out));
}

TEST(DictToolPotTest, ShippedTemplateIsWhatTheToolWrites) {
    TempDir dir;
    const std::string out = (dir / "vantrel.pot").string();
    ASSERT_EQ(Dict({"pot", "-o", out}).Status, 0);
    const auto written = ReadFile(out);
    const auto shipped = ReadFile(SourceDir() / "resources" / "translations" / "vantrel.pot");
    EXPECT_EQ(std::string(written.begin(), written.end()),
              std::string(shipped.begin(), shipped.end()))
        << "run: vantrel-dict pot -o resources/translations/vantrel.pot";
}

}  // namespace
}  // namespace vantrel::test
