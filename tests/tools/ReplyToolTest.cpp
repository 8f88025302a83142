// vantrel-reply, run as the vendor runs it: a built reply must come back
// through the client's reader with every field intact, and refused input
// must leave no file behind.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "protocol/ReplyWriter.h"
#include "tests/support/Minisign.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestJpeg.h"
#include "tests/tools/ToolProcess.h"

namespace vantrel::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

const char* const kTextKeys[] = {
    "ProductTitle",          "ProductDescription", "ProductFeatures",  "WebSiteURL", "DownloadURL",
    "NewVersionDescription", "NewVersionBugFixes", "NewVersionAddons", "Promotion"};

TToolRun Reply(const std::vector<std::string>& args) {
    return RunTool("vantrel-reply", args);
}

class ReplyToolTest : public ::testing::Test {
protected:
    fs::path WriteProject(const json& project, const std::string& name = "project.json") {
        fs::path path = dir / name;
        fs::create_directories(path.parent_path());
        WriteFile(path, project.dump());
        return path;
    }

    // Inspects `file` as JSON; the exit status is checked against the verdict.
    json InspectJson(const fs::path& file, int expectedStatus) {
        const TToolRun run = Reply({"inspect", "--json", file.string()});
        EXPECT_EQ(run.Status, expectedStatus) << run.Err;
        return json::parse(run.Out);
    }

    json BuildAndInspect(const json& project) {
        const TToolRun build = Reply({"build", WriteProject(project).string(), "-o", Out()});
        EXPECT_EQ(build.Status, 0) << build.Err;
        return InspectJson(Out(), 0);
    }

    // A refused build names the problem and leaves the existing output as it was.
    void ExpectRefused(const json& project, const std::string& complaint) {
        const std::string previous = "previous reply";
        WriteFile(Out(), previous);
        const TToolRun run = Reply({"build", WriteProject(project).string(), "-o", Out()});
        EXPECT_EQ(run.Status, 1) << project.dump();
        EXPECT_NE(run.Err.find(complaint), std::string::npos) << run.Err;
        EXPECT_EQ(ReadFile(Out()), std::vector<std::uint8_t>(previous.begin(), previous.end()));
        for (const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
            EXPECT_FALSE(entry.path().filename().string().starts_with("."))
                << "left behind: " << entry.path();
        }
    }

    std::string Out() const { return (dir / "reply.bin").string(); }

    TempDir dir;
};

json AllTexts() {
    json project = {{"Version", "4.1.2.3"}, {"FileName", "Orbisk-Setup 4.1.exe"}};
    for (const char* key : kTextKeys)
        project[key] = std::string(key) + ": Größe €5 ✓\r\nzweite Zeile";
    return project;
}

void ExpectTextsAndOffer(const json& project, const json& seen) {
    for (const char* key : kTextKeys)
        EXPECT_EQ(seen[key], project.value(key, "")) << key;
    EXPECT_EQ(seen["AvailableProduct"]["Found"], project.value("Found", true));
    EXPECT_EQ(seen["AvailableProduct"]["Version"], project["Version"]);
    EXPECT_EQ(seen["AvailableProduct"]["FileName"], project.value("FileName", ""));
    EXPECT_TRUE(seen["ErrorMessage"].is_null());
    EXPECT_EQ(seen["intact"], true);
    EXPECT_EQ(seen["kind"], 4);
}

TEST_F(ReplyToolTest, EveryFieldComesBackCompressedOrNot) {
    for (bool compressed : {true, false}) {
        json project = AllTexts();
        project["Compressed"] = compressed;
        const json seen = BuildAndInspect(project);
        ExpectTextsAndOffer(project, seen);
        EXPECT_EQ(seen["compressed"], compressed);
        EXPECT_EQ(seen["ProductLogo"], 0);
    }
}

TEST_F(ReplyToolTest, LogoIsFoundBesideTheProjectAndStoredUpToItsEnd) {
    const std::vector<std::uint8_t> jpeg = MakeJpeg(48, 32);
    std::vector<std::uint8_t> withTrailer = jpeg;
    withTrailer.insert(withTrailer.end(), {'j', 'u', 'n', 'k'});
    fs::create_directories(dir / "site");
    WriteFile(dir / "site" / "logo.jpg", withTrailer);

    for (bool compressed : {true, false}) {
        json project = {{"ProductTitle", "Orbisk ✓"}, {"DownloadURL", "http://dl.example/4.1"},
                        {"ProductLogo", "logo.jpg"},  {"Version", "255.0.0.1"},
                        {"FileName", "setup.exe"},    {"Compressed", compressed}};
        const fs::path file = WriteProject(project, "site/project.json");
        const TToolRun build = Reply({"build", file.string(), "-o", Out()});
        ASSERT_EQ(build.Status, 0) << build.Err;
        const json seen = InspectJson(Out(), 0);
        ExpectTextsAndOffer(project, seen);
        EXPECT_EQ(seen["ProductLogo"], jpeg.size());
        EXPECT_EQ(seen["compressed"], compressed);
    }
}

TEST_F(ReplyToolTest, AReplyWithoutOfferNeedsNoFileName) {
    const json project = {{"Version", "0.0.0.0"}, {"Found", false}};
    ExpectTextsAndOffer(project, BuildAndInspect(project));
}

TEST_F(ReplyToolTest, ErrorReplyCarriesItsTextIntoTheClientMessage) {
    ASSERT_EQ(Reply({"error", "-o", Out(), "--", "-Wartung- bis 14:00"}).Status, 0);
    const json seen = InspectJson(Out(), 1);
    EXPECT_EQ(seen["intact"], true);
    EXPECT_EQ(seen["kind"], 1);
    EXPECT_EQ(seen["ErrorMessage"],
              "Vantrel Server error.\r\n-Wartung- bis 14:00\r\n"
              "Please check internet connection or try again later.");
    EXPECT_EQ(seen["AvailableProduct"]["Found"], false);
}

TEST_F(ReplyToolTest, DamagedReplyIsReportedAsTheClientWouldSeeIt) {
    ASSERT_EQ(Reply({"build", WriteProject(AllTexts()).string(), "-o", Out()}).Status, 0);
    std::vector<std::uint8_t> bytes = ReadFile(Out());
    bytes[bytes.size() / 2] ^= 0x01;
    WriteFile(Out(), bytes);

    const json seen = InspectJson(Out(), 1);
    EXPECT_EQ(seen["intact"], false);
    EXPECT_EQ(seen["kind"], 4);  // the header is still shown for diagnosis
    EXPECT_NE(seen["ErrorMessage"].get<std::string>().find("\r\nBad data returned\r\n"),
              std::string::npos);
    EXPECT_EQ(seen["ProductTitle"], "");
}

TEST_F(ReplyToolTest, RepliesTooShortForAHeaderHaveNoKind) {
    WriteFile(Out(), std::vector<std::uint8_t>(3, 0));
    json seen = InspectJson(Out(), 1);
    EXPECT_EQ(seen["intact"], false);
    EXPECT_TRUE(seen["kind"].is_null());
    EXPECT_TRUE(seen["compressed"].is_null());

    // Eight zero bytes pass the trailer check but hold no header.
    WriteFile(Out(), std::vector<std::uint8_t>(8, 0));
    seen = InspectJson(Out(), 1);
    EXPECT_EQ(seen["intact"], true);
    EXPECT_TRUE(seen["kind"].is_null());
    EXPECT_NE(seen["ErrorMessage"].get<std::string>().find("Incorrect data returned"),
              std::string::npos);
}

TEST_F(ReplyToolTest, ServerBytesAreMadeSafeToShow) {
    WriteFile(Out(), BuildErrorReply("bad \xFF byte \x1B[2J"));
    const json seen = InspectJson(Out(), 1);
    EXPECT_NE(seen["ErrorMessage"].get<std::string>().find("bad \xEF\xBF\xBD byte \x1B[2J"),
              std::string::npos);

    const TToolRun text = Reply({"inspect", Out()});
    EXPECT_EQ(text.Status, 1);
    EXPECT_EQ(text.Out.find('\x1B'), std::string::npos);
    EXPECT_NE(text.Out.find("byte \\x1B[2J\\r\\n"), std::string::npos) << text.Out;
}

TEST_F(ReplyToolTest, UsageAndFileProblemsExitWithTwo) {
    const TToolRun help = Reply({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(
        help.Out.find("vantrel-reply inspect [--json] [--verify KEYFILE [--project ID]] FILE"),
        std::string::npos);

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"publish", "x"},
             {"inspect"},
             {"inspect", "--verbose", Out()},
             {"inspect", (dir / "missing.bin").string()},
             {"inspect", dir.path().string()},
             {"build", WriteProject(AllTexts()).string()},
             {"build", (dir / "missing.json").string(), "-o", Out()},
             {"build", WriteProject(AllTexts()).string(), "-o", (dir / "no/such/dir").string()},
             {"error", "a", "b", "-o", Out()},
             {"inspect", "--verify", "k.pub", Out()},  // no --project, no ID.reply
             {"inspect", "--project", "Orbisk", Out()},
             {"sign", "--project", "Orbisk", Out()},
             {"sign-package", "--key", "k.key", "--project", "Orbisk", Out()},
         }) {
        const TToolRun run = Reply(args);
        EXPECT_EQ(run.Status, 2) << ::testing::PrintToString(args);
        EXPECT_FALSE(run.Err.empty());
    }
    EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(ReplyToolTest, FailedWriteLeavesNoTemporaryFile) {
    // The reply is written completely before the rename onto a directory fails.
    fs::create_directories(dir / "taken");
    const TToolRun run =
        Reply({"build", WriteProject(AllTexts()).string(), "-o", (dir / "taken").string()});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("cannot replace"), std::string::npos) << run.Err;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
    }
}

TEST_F(ReplyToolTest, LogoWithLaterTextsIsRefused) {
    WriteFile(dir / "logo.jpg", MakeJpeg(8, 8));
    json project = AllTexts();
    project["ProductLogo"] = "logo.jpg";
    ExpectRefused(project,
                  "NewVersionDescription, NewVersionBugFixes, NewVersionAddons, Promotion");
}

TEST_F(ReplyToolTest, LogoThatIsNoJpegIsRefused) {
    WriteFile(dir / "logo.jpg", std::string("GIF89a not a jpeg at all"));
    json project = {{"Version", "1.0.0.0"}, {"FileName", "a.exe"}, {"ProductLogo", "logo.jpg"}};
    ExpectRefused(project, "not a JPEG picture");
}

TEST_F(ReplyToolTest, BadVersionsAreRefused) {
    for (const json& version : {json("1.2.3.256"), json("1.2.3"), json("1.2.3.4.5"),
                                json("1.-2.3.4"), json(" 1.2.3.4"), json(""), json(16909060)}) {
        ExpectRefused({{"Version", version}, {"FileName", "a.exe"}}, "Version");
    }
    ExpectRefused({{"FileName", "a.exe"}}, "Version is required");
}

TEST_F(ReplyToolTest, FileNamesTheClientWouldRefuseAreRefused) {
    for (const std::string& name :
         std::vector<std::string>{"", ".", "..", "a/b", "..\\setup.exe", "set\x01up.exe",
                                  "tab\tname", std::string(65, 'x')}) {
        ExpectRefused({{"Version", "1.0.0.0"}, {"FileName", name}}, "FileName");
    }
    ExpectRefused({{"Version", "1.0.0.0"}}, "FileName is required");
    // The longest name the record holds is fine.
    ExpectTextsAndOffer(
        {{"Version", "1.0.0.0"}, {"FileName", std::string(64, 'x')}},
        BuildAndInspect({{"Version", "1.0.0.0"}, {"FileName", std::string(64, 'x')}}));
}

TEST_F(ReplyToolTest, MalformedProjectsAreRefused) {
    const json base = {{"Version", "1.0.0.0"}, {"FileName", "a.exe"}};
    json unknown = base;
    unknown["ProductTitel"] = "typo";
    ExpectRefused(unknown, "unknown key \"ProductTitel\"");
    json wrongType = base;
    wrongType["Compressed"] = "yes";
    ExpectRefused(wrongType, "Compressed must be true or false");
    json nullText = base;
    nullText["Promotion"] = nullptr;
    ExpectRefused(nullText, "Promotion must be a string");

    WriteFile(Out(), std::string("previous reply"));
    for (const std::string text : {R"({"Version":"1.0.0.0","FileName":"a","Version":"2.0.0.0"})",
                                   R"({"Version":"1.0.0.0",)", R"(["Version"])"}) {
        WriteFile(dir / "raw.json", text);
        const TToolRun run = Reply({"build", (dir / "raw.json").string(), "-o", Out()});
        EXPECT_EQ(run.Status, 1) << text;
        EXPECT_NE(run.Err.find("raw.json"), std::string::npos) << run.Err;
    }
    EXPECT_EQ(ReadFile(Out()).size(), std::string("previous reply").size());
}

const char* const kReplyComment = "vantrel-reply project:Orbisk4Outlook";

// Signatures made by minisign itself, checked as the client checks them.
TEST_F(ReplyToolTest, InspectVerifiesTheSignatureAndWhatItVouchesFor) {
    const TMinisignKeys keys = MakeMinisignKeys(dir.path(), "vendor");
    struct TCase {
        const char* Name;
        const char* File;
        const char* SignedAs;  // nullptr: not signed
        bool ChangedAfterSigning;
        std::vector<std::string> Options;
        const char* Error;  // nullptr: verifies
    };
    const TCase cases[] = {
        {"signed", "Orbisk4Outlook.reply", kReplyComment, false, {}, nullptr},
        {"project given",
         "reply.bin",
         kReplyComment,
         false,
         {"--project", "Orbisk4Outlook"},
         nullptr},
        {"changed", "Orbisk4Outlook.reply", kReplyComment, true, {}, "does not match"},
        {"unsigned", "Orbisk4Outlook.reply", nullptr, false, {}, "no signature"},
        {"package comment",
         "Orbisk4Outlook.reply",
         "vantrel-package project:Orbisk4Outlook version:4.1.2.3 file:Orbisk-Setup 4.1.exe",
         false,
         {},
         "not for the reply about Orbisk4Outlook"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path file = dir / c.Name / c.File;
        fs::create_directories(file.parent_path());
        json project = AllTexts();
        ASSERT_EQ(Reply({"build", WriteProject(project).string(), "-o", file.string()}).Status, 0);
        if (c.SignedAs)
            MinisignSign(keys, file, c.SignedAs);
        if (c.ChangedAfterSigning) {
            project["ProductTitle"] = "Rewritten";
            ASSERT_EQ(Reply({"build", WriteProject(project).string(), "-o", file.string()}).Status,
                      0);
        }

        std::vector<std::string> args = {"inspect", "--verify", keys.PublicKey.string()};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        args.push_back(file.string());
        const TToolRun text = Reply(args);
        EXPECT_EQ(text.Status, c.Error ? 1 : 0) << text.Err;
        EXPECT_NE(text.Out.find(std::string("Signature:              ") +
                                (c.Error ? "not verified" : "verified")),
                  std::string::npos)
            << text.Out;
        args.insert(args.begin() + 1, "--json");
        const json seen = json::parse(Reply(args).Out)["signature"];
        EXPECT_EQ(seen["verified"], c.Error == nullptr);
        // A genuine signature shows what it vouches for, even for something else.
        const bool genuine = c.SignedAs && !c.ChangedAfterSigning;
        EXPECT_EQ(seen["trustedComment"], genuine ? json(c.SignedAs) : json());
        EXPECT_EQ(seen["error"].is_null(), c.Error == nullptr);
        if (c.Error) {
            EXPECT_NE(seen["error"].get<std::string>().find(c.Error), std::string::npos) << seen;
        }
    }
}

TEST_F(ReplyToolTest, SignedFilesVerifyWithMinisignAndCarryTheExactComment) {
    const TMinisignKeys keys = MakeMinisignKeys(dir.path(), "vendor");
    const TMinisignKeys other = MakeMinisignKeys(dir.path(), "other");
    const std::string key = keys.SecretKey.string();
    struct TCase {
        std::vector<std::string> Args;  // FILE follows
        std::string File;
        std::string Comment;
        std::string Public;
        int Status;
    };
    const TCase cases[] = {
        {{"sign", "--key", key, "--project", "Orbisk4Outlook"},
         "Orbisk4Outlook.reply",
         kReplyComment,
         keys.PublicKey.string(),
         0},
        {{"sign-package", "--key", key, "--project", "Orbisk4Outlook", "--version", "4.1.0.7"},
         "Orbisk Setup 4.1.exe",
         "vantrel-package project:Orbisk4Outlook version:4.1.0.7 file:Orbisk Setup 4.1.exe",
         keys.PublicKey.string(),
         0},
        // minisign succeeds, but the key pair is not the one given.
        {{"sign", "--key", key, "--project", "Orbisk4Outlook"},
         "mismatched.reply",
         kReplyComment,
         other.PublicKey.string(),
         1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const fs::path file = dir / c.File;
        WriteFile(file, std::string(5000, 'p'));
        std::vector<std::string> args = c.Args;
        args.insert(args.end(), {"--public", c.Public, file.string()});
        const TToolRun run = Reply(args);
        EXPECT_EQ(run.Status, c.Status) << run.Err;
        const TShellResult check = RunShell("minisign -V -p " + ShellQuoted(keys.PublicKey) +
                                            " -m " + ShellQuoted(file) + " 2>&1");
        EXPECT_EQ(check.Status, 0) << check.Out;
        EXPECT_NE(check.Out.find("Trusted comment: " + c.Comment + "\n"), std::string::npos)
            << check.Out;
    }
}

}  // namespace
}  // namespace vantrel::test
