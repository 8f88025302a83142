// What a misbehaving server or proxy can make of a download into a file:
// each row starts from a partial file (or none) and its record, lets a
// scripted server answer, and checks the result the component reports, the
// bytes on disk and what was asked for. A download counts only when the
// whole package is on disk; an answer that is not the package never costs
// the bytes already there.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "platform/RegistryStore.h"
#include "tests/frontend/qt/download/DownloadHarness.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"
#include "window/download/ResumeRecord.h"

namespace vantrel::test {
namespace {

using namespace platform;

constexpr std::size_t kSize = 200000;
const std::string kOld = Payload(kSize);
// The package after the vendor replaced it: other bytes, another size.
const std::string kNew = Payload(kSize + 7000).substr(7000);
const std::string kNewBig = "!" + Payload(150000);
const std::string kTagOld = "\"v1\"";

std::string Answer(const std::string& status, const std::string& headers, const std::string& body) {
    return status + "\r\n" + headers + "\r\n" + body;
}

std::string Whole(const std::string& data, const std::string& etag) {
    return Answer("HTTP/1.1 200 OK",
                  "Content-Length: " + std::to_string(data.size()) + "\r\nETag: " + etag + "\r\n",
                  data);
}

// A server that honours Range and If-Range, holding `data` under `etag`.
ScriptedServer::TScript Ranged(const std::string& data, const std::string& etag) {
    return [data, etag](const std::string& head) {
        const std::string range = ScriptedServer::Header(head, "Range");
        const std::string ifRange = ScriptedServer::Header(head, "If-Range");
        if (range.empty() || (!ifRange.empty() && ifRange != etag))
            return Whole(data, etag);
        const std::size_t first = std::stoul(range.substr(6));
        return Answer("HTTP/1.1 206 Partial Content",
                      "Content-Range: bytes " + std::to_string(first) + "-" +
                          std::to_string(data.size() - 1) + "/" + std::to_string(data.size()) +
                          "\r\nContent-Length: " + std::to_string(data.size() - first) +
                          "\r\nETag: " + etag + "\r\n",
                      data.substr(first));
    };
}

ScriptedServer::TScript Fixed(const std::string& answer) {
    return [answer](const std::string&) { return answer; };
}

std::string Part(const std::string& data, std::size_t first, std::size_t count,
                 const std::string& total) {
    return Answer("HTTP/1.1 206 Partial Content",
                  "Content-Range: bytes " + std::to_string(first) + "-" +
                      std::to_string(first + count - 1) + "/" + total +
                      "\r\nContent-Length: " + std::to_string(count) + "\r\n",
                  data.substr(first, count));
}

std::string Chunked(const std::string& data, bool cut) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return Answer("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n",
                  size + data + (cut ? "" : "\r\n0\r\n\r\n"));
}

enum class TEnd { Downloaded, Paused, RangeRefused };

struct TCase {
    const char* Name;
    std::optional<std::string> FileBefore;
    std::optional<TResumeRecord> RecordBefore;
    ScriptedServer::TScript Script;
    TEnd End;
    std::optional<std::string> FileAfter;
    std::string HeaderSent;  // a request line expected in the head, "" for none
    bool RestartAfter = false;
};

TEST(DownloadIntegrity, AdversarialAnswers) {
    const TResumeRecord recorded{kSize, kTagOld, false};
    const std::string prefix = kOld.substr(0, 1000);
    const std::string half = kOld.substr(0, 100000);
    const std::vector<TCase> cases = {
        {"resume with the validator", prefix, recorded, Ranged(kOld, "\"v1\""), TEnd::Downloaded,
         kOld, "If-Range: \"v1\"\r\n"},
        {"part that stops short", prefix, recorded, Fixed(Part(kOld, 1000, 1000, "200000")),
         TEnd::Paused, kOld.substr(0, 2000), "Range: bytes=1000-\r\n"},
        {"package swapped, If-Range answered with the new one", prefix, recorded,
         Ranged(kNew, "\"v2\""), TEnd::Downloaded, kNew, "If-Range: \"v1\"\r\n"},
        {"package swapped, If-Range ignored", prefix, recorded,
         Fixed(Part(kNewBig, 1000, kNewBig.size() - 1000, std::to_string(kNewBig.size()))),
         TEnd::Paused, prefix, "", true},
        {"given up file starts over", prefix, TResumeRecord{kSize, kTagOld, true},
         Ranged(kNew, "\"v2\""), TEnd::Downloaded, kNew, ""},
        {"body without a length cut off", std::nullopt, std::nullopt,
         Fixed("HTTP/1.0 200 OK\r\n\r\n" + half), TEnd::Paused, half, ""},
        {"redirect without a Location", prefix, recorded,
         Fixed(Answer("HTTP/1.1 302 Found", "Content-Length: 13\r\n", "<html></html>")),
         TEnd::Paused, prefix, ""},
        {"empty answer to a resume", prefix, recorded,
         Fixed(Answer("HTTP/1.1 200 OK", "Content-Length: 0\r\n", "")), TEnd::Paused, prefix, ""},
        {"empty answer for a complete file", kOld, recorded,
         Fixed(Answer("HTTP/1.1 200 OK", "Content-Length: 0\r\n", "")), TEnd::Downloaded, kOld, ""},
        {"empty answer to a fresh request", std::nullopt, std::nullopt,
         Fixed(Answer("HTTP/1.1 200 OK", "Content-Length: 0\r\n", "")), TEnd::Paused, std::nullopt,
         ""},
        {"whole package announced, connection closed after the headers", half,
         TResumeRecord{kSize, kTagOld, false},
         Fixed(Answer("HTTP/1.1 200 OK", "Content-Length: 200000\r\n", "")), TEnd::Paused, half,
         ""},
        {"range refused for a complete file", kOld, recorded,
         Fixed(Answer("HTTP/1.1 416 Range Not Satisfiable",
                      "Content-Range: bytes */200000\r\nContent-Length: 0\r\n", "")),
         TEnd::RangeRefused, kOld, ""},
        {"range refused for an incomplete file", prefix, recorded,
         Fixed(Answer("HTTP/1.1 416 Range Not Satisfiable",
                      "Content-Range: bytes */200000\r\nContent-Length: 0\r\n", "")),
         TEnd::Paused, prefix, "", true},
        {"part without a total", prefix, recorded, Fixed(Part(kOld, 1000, kSize - 1000, "*")),
         TEnd::Paused, prefix, "", true},
        {"fresh request answered with the first part only", std::nullopt, std::nullopt,
         Fixed(Part(kOld, 0, 1000, "200000")), TEnd::Paused, prefix, ""},
        {"chunked body without a length", std::nullopt, std::nullopt, Fixed(Chunked(half, false)),
         TEnd::Downloaded, half, ""},
        {"chunked body cut off", std::nullopt, std::nullopt, Fixed(Chunked(half, true)),
         TEnd::Paused, half, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::string file = (dir / "setup.exe.tmp").string();
        if (c.FileBefore)
            WriteFile(file, *c.FileBefore);
        if (c.RecordBefore) {
            ASSERT_TRUE(WriteResumeRecord(file, *c.RecordBefore));
        }
        ScriptedServer server(c.Script);
        TDownloadRun run;
        ASSERT_TRUE(run.Run(server.URL() + "/setup.exe", file));
        ASSERT_FALSE(run.Completions.empty());
        const TCompletion& last = run.Completions.back();
        switch (c.End) {
            case TEnd::Downloaded:
                EXPECT_EQ(last.Result, S_OK);
                break;
            case TEnd::RangeRefused:
                EXPECT_EQ(last.Result, E_ABORT);
                EXPECT_EQ(last.ResponseCode, 416u);
                break;
            case TEnd::Paused:
                // Any failure but E_ABORT, which the window reads by status.
                EXPECT_TRUE(Failed(last.Result) && last.Result != E_ABORT) << last.Result;
                for (const TCompletion& each : run.Completions)
                    EXPECT_NE(each.Result, S_OK);
                break;
        }
        if (c.FileAfter) {
            EXPECT_TRUE(ReadFileText(file) == *c.FileAfter);
        } else {
            EXPECT_FALSE(std::filesystem::exists(file));
        }
        if (!c.HeaderSent.empty()) {
            EXPECT_NE(server.Heads().at(0).find(c.HeaderSent), std::string::npos)
                << server.Heads().at(0);
        }
        const auto record = ReadResumeRecord(file);
        EXPECT_EQ(record && record->Restart, c.RestartAfter);
    }
}

// The record that guards the next resume is the new package's, and a weak
// ETag is not a validator.
TEST(DownloadIntegrity, RecordFollowsTheBytesOnDisk) {
    TempDir dir;
    const std::string file = (dir / "setup.exe.tmp").string();
    const std::string& name = file;
    ScriptedServer server(Fixed(Answer(
        "HTTP/1.1 200 OK",
        "Content-Length: 200000\r\nETag: W/\"weak\"\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 "
        "GMT\r\n",
        kOld)));
    TDownloadRun run;
    ASSERT_TRUE(run.Run(server.URL() + "/setup.exe", file));
    const auto record = ReadResumeRecord(name);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Total, std::optional<std::uint64_t>(kSize));
    EXPECT_EQ(record->Validator, "Tue, 01 Dec 2026 10:00:00 GMT");

    // Records that are not ours read as none.
    for (const char* text : {"", "total 12\nvalidator x\n", "total -5\nvalidator x\nrestart 0\n",
                             "total 1\nvalidator x\nrestart 2\n"}) {
        WriteFile(ResumeRecordFile(name), text);
        EXPECT_FALSE(ReadResumeRecord(name)) << text;
    }
}

}  // namespace
}  // namespace vantrel::test
