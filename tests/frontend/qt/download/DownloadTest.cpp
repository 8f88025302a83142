// TIEDownload against the in-process fault server: request headers, resume,
// the failure table and the request bodies.
#include <gtest/gtest.h>

#include <QFile>

#include <cstdlib>

#include "platform/RegistryStore.h"
#include "tests/frontend/qt/download/FaultServer.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

using namespace platform;

class DownloadTest : public ::testing::Test {
protected:
    TFaultServer Server;
    TempDir Dir;
    TDownloadRun Run;
    std::string File() const { return (Dir / "package.part").string(); }
};

TEST_F(DownloadTest, AdditionalHeaderTextIsExact) {
    Run.D.UserAgent = "A";
    Run.D.SetAdditionalHeader({"X: 1", "Y: 2"});
    ASSERT_TRUE(Run.Run(Server.URL("/pkg")));
    ASSERT_EQ(Run.AdditionalHeaders.size(), 1u);
    EXPECT_EQ(Run.AdditionalHeaders[0], "User-agent: A\r\nX: 1\r\nY: 2\r\n");
    const auto requests = Server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("User-Agent"), "A");
    EXPECT_EQ(requests[0].Header("X"), "1");
    EXPECT_EQ(requests[0].Header("Y"), "2");
    EXPECT_EQ(requests[0].Header("Range"), "");
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, S_OK);
    EXPECT_EQ(Run.Completions[0].Contents.toStdString(), Server.Package());
}

TEST_F(DownloadTest, EmptyFirstHeaderLineSendsNoLinesAtAll) {
    Run.D.UserAgent.clear();
    Run.D.SetAdditionalHeader({"", "X: 1"});
    ASSERT_TRUE(Run.Run(Server.URL("/pkg")));
    ASSERT_EQ(Run.AdditionalHeaders.size(), 1u);
    EXPECT_EQ(Run.AdditionalHeaders[0], "");
    EXPECT_EQ(Server.Requests().at(0).Header("X"), "");
}

TEST_F(DownloadTest, ExistingFileIsResumedFromItsLength) {
    WriteFile(File(), Server.Package().substr(0, 1000));
    Run.D.Range = {5, 9};  // plays no part for a file
    ASSERT_TRUE(Run.Run(Server.URL("/pkg"), File()));
    EXPECT_EQ(Server.Requests().at(0).Header("Range"), "bytes=1000-");
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, S_OK);
    EXPECT_EQ(Run.Completions[0].ResponseCode, 206u);
    EXPECT_EQ(ReadFileText(File()), Server.Package());
    // Progress covers the whole package, not just this transfer.
    const TProgressRecord* first = Run.FirstDownloading();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->ProgressMax, kPackageSize);
    EXPECT_GT(first->Progress, 1000u);
    EXPECT_EQ(Run.Progress.back().Progress, kPackageSize);
}

TEST_F(DownloadTest, ResumeActionRestartStartsAfreshAndAbortSendsNothing) {
    WriteFile(File(), std::string(1000, 'x'));
    Run.D.OnResume = [](TBSCB*, const std::string&, TResumeAction& action) {
        action = TResumeAction::Restart;
    };
    ASSERT_TRUE(Run.Run(Server.URL("/pkg"), File()));
    EXPECT_EQ(Server.Requests().at(0).Header("Range"), "");
    EXPECT_EQ(ReadFileText(File()), Server.Package());

    TDownloadRun second;
    second.D.TimeOut = 50;  // would fire if it were armed
    second.D.OnResume = [](TBSCB*, const std::string&, TResumeAction& action) {
        action = TResumeAction::Abort;
    };
    ASSERT_TRUE(second.Run(Server.URL("/pkg"), File()));
    EXPECT_EQ(Server.Requests().size(), 1u);
    ASSERT_EQ(second.Completions.size(), 1u);
    EXPECT_EQ(second.Completions[0].Result, E_ABORT);
    EXPECT_FALSE(second.Completions[0].HasStream);
    EXPECT_EQ(ReadFileText(File()), Server.Package());
}

TEST_F(DownloadTest, MemoryDownloadsUseTheRangeProperty) {
    Run.D.Range = {0, 499};
    ASSERT_TRUE(Run.Run(Server.URL("/pkg")));
    EXPECT_EQ(Server.Requests().at(0).Header("Range"), "bytes=0-499");
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Contents.toStdString(), Server.Package().substr(0, 500));

    TDownloadRun whole;
    ASSERT_TRUE(whole.Run(Server.URL("/pkg")));
    EXPECT_EQ(Server.Requests().at(1).Header("Range"), "");
}

TEST_F(DownloadTest, ServerThatIgnoresTheRangeGetsTheFileWrittenAnew) {
    WriteFile(File(), Server.Package().substr(0, 1000));
    ASSERT_TRUE(Run.Run(Server.URL("/ignore-range"), File()));
    EXPECT_EQ(Server.Requests().at(0).Header("Range"), "bytes=1000-");
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, S_OK);
    EXPECT_EQ(Run.Completions[0].ResponseCode, 200u);
    // Accept-Ranges says "bytes", yet a 200 is the whole package.
    EXPECT_EQ(ReadFileText(File()), Server.Package());
    EXPECT_EQ(Run.Progress.back().Progress, kPackageSize);
}

TEST_F(DownloadTest, PartThatStartsElsewhereFailsWithoutWriting) {
    const std::string partial = Server.Package().substr(0, 1000);
    WriteFile(File(), partial);
    ASSERT_TRUE(Run.Run(Server.URL("/wrong-range"), File()));
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, INET_E_DOWNLOAD_FAILURE);
    EXPECT_EQ(Run.Completions[0].ResponseCode, 206u);
    EXPECT_EQ(ReadFileText(File()), partial);
}

TEST_F(DownloadTest, ErrorStatusesCompleteTwiceWithAbortAndNoFile) {
    for (int status : {404, 416, 500, 503}) {
        SCOPED_TRACE(status);
        TDownloadRun run;
        const std::string file = (Dir / ("s" + std::to_string(status))).string();
        ASSERT_TRUE(run.Run(Server.URL("/" + std::to_string(status)), file));
        ASSERT_EQ(run.Completions.size(), 2u);
        for (const TCompletion& c : run.Completions) {
            EXPECT_EQ(c.Result, E_ABORT);
            EXPECT_FALSE(c.HasStream);
            EXPECT_EQ(c.ResponseCode, static_cast<std::uint32_t>(status));
        }
        EXPECT_FALSE(std::filesystem::exists(file));
    }
}

// Into a file an empty answer is not a package (see the integrity matrix).
TEST_F(DownloadTest, EmptyAnswerIntoMemoryCompletesAtOnceWithSuccess) {
    ASSERT_TRUE(Run.Run(Server.URL("/empty")));
    ASSERT_GE(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, S_OK);
    EXPECT_FALSE(Run.Completions[0].HasStream);
    EXPECT_EQ(Run.Completions[0].ResponseCode, 200u);
    // The binding still stops, after the early report.
    ASSERT_EQ(Run.Completions.size(), 2u);
    EXPECT_EQ(Run.Completions[1].Result, E_ABORT);
}

TEST_F(DownloadTest, IdleTimeOutEndsWithConnectionTimeout) {
    Run.D.TimeOut = 300;
    ASSERT_TRUE(Run.Run(Server.URL("/stall-body"), File()));
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, INET_E_CONNECTION_TIMEOUT);
    EXPECT_TRUE(Run.Completions[0].HasStream);
    EXPECT_EQ(Run.Completions[0].Contents.toStdString(), Server.Package().substr(0, 1000));

    TDownloadRun silent;
    silent.D.TimeOut = 300;
    ASSERT_TRUE(silent.Run(Server.URL("/stall-headers"), File()));
    ASSERT_EQ(silent.Completions.size(), 1u);
    EXPECT_EQ(silent.Completions[0].Result, INET_E_CONNECTION_TIMEOUT);
    EXPECT_EQ(silent.Completions[0].ResponseCode, 0u);
}

TEST_F(DownloadTest, CancelDuringTransferEndsWithAbortAndKeepsThePart) {
    Run.CancelAtProgress = 1;
    ASSERT_TRUE(Run.Run(Server.URL("/big"), File()));
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, E_ABORT);
    EXPECT_TRUE(Run.Completions[0].HasStream);
    EXPECT_EQ(Run.Completions[0].ResponseCode, 200u);
    const std::string part = ReadFileText(File());
    EXPECT_GT(part.size(), 0u);
    EXPECT_LT(part.size(), kBigSize);
    EXPECT_EQ(part, Server.Big().substr(0, part.size()));
}

TEST_F(DownloadTest, CancelBeforeTheBindingStartsReportsTwice) {
    Run.D.Download(Server.URL("/pkg"), File());
    Run.D.Cancel();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Run.D.RequestCount() == 0; }, 10000));
    // The bind context starts inside Download, so the flag is seen at the
    // beginning of the transaction.
    ASSERT_EQ(Run.Completions.size(), 2u);
    EXPECT_EQ(Run.Completions[0].Result, E_ABORT);
    EXPECT_EQ(Run.Completions[1].Result, E_ABORT);
    EXPECT_TRUE(Server.Requests().empty());
}

TEST_F(DownloadTest, StartFailuresReportInsideDownload) {
    Run.D.Download("nothttp:/x", File());
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, MK_E_SYNTAX);
    EXPECT_EQ(Run.D.RequestCount(), 0u);

    TDownloadRun refused;
    ASSERT_TRUE(
        refused.Run("http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/p", File()));
    ASSERT_EQ(refused.Completions.size(), 1u);
    EXPECT_EQ(refused.Completions[0].Result, INET_E_CANNOT_CONNECT);
    EXPECT_FALSE(refused.Completions[0].HasStream);
}

TEST_F(DownloadTest, ConnectionDroppedMidBodyIsADownloadFailure) {
    ASSERT_TRUE(Run.Run(Server.URL("/drop"), File()));
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, INET_E_DOWNLOAD_FAILURE);
    EXPECT_TRUE(Run.Completions[0].HasStream);
}

TEST_F(DownloadTest, OutputOrPutFileThatCannotBeOpenedFails) {
    const std::string unwritable = (Dir / "missing-dir" / "package").string();
    ASSERT_TRUE(Run.Run(Server.URL("/pkg"), unwritable));
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, STG_E_CANTSAVE);
    EXPECT_FALSE(Run.Completions[0].HasStream);

    TDownloadRun put;
    put.D.SetMethod(TBindVerbOption::Put);
    put.D.PutFileName = (Dir / "no-such-file").string();
    ASSERT_TRUE(put.Run(Server.URL("/echo")));
    ASSERT_EQ(put.Completions.size(), 1u);
    EXPECT_EQ(put.Completions[0].Result, STG_E_READFAULT);
    EXPECT_TRUE(Server.Requests().size() == 1u);
}

TEST_F(DownloadTest, BodiesAndVerbsReachTheServer) {
    Run.D.SetMethod(TBindVerbOption::Post);
    Run.D.PostData = "a=1&b=2";
    ASSERT_TRUE(Run.Run(Server.URL("/echo")));
    EXPECT_EQ(Server.Echoed().Method, "POST");
    // The post block carries its terminating zero byte.
    EXPECT_EQ(Server.Echoed().Body, std::string("a=1&b=2\0", 8));
    EXPECT_EQ(Run.Completions.at(0).Contents, QByteArray("ok"));

    TDownloadRun put;
    WriteFile(Dir / "body.bin", std::string("put \0 body", 10));
    put.D.SetMethod(TBindVerbOption::Put);
    put.D.PutFileName = (Dir / "body.bin").string();
    ASSERT_TRUE(put.Run(Server.URL("/echo")));
    EXPECT_EQ(Server.Echoed().Method, "PUT");
    EXPECT_EQ(Server.Echoed().Body, std::string("put \0 body", 10));

    TDownloadRun custom;
    custom.D.SetMethod(TBindVerbOption::Custom);
    custom.D.CustomVerb = "PATCH";
    ASSERT_TRUE(custom.Run(Server.URL("/echo")));
    EXPECT_EQ(Server.Echoed().Method, "PATCH");
    EXPECT_EQ(custom.Completions.at(0).Result, S_OK);
}

TEST_F(DownloadTest, CredentialsAnswerTheServersChallenge) {
    Run.D.Username = "user";
    Run.D.Password = "secret";
    ASSERT_TRUE(Run.Run(Server.URL("/auth"), File()));
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, S_OK);
    EXPECT_EQ(ReadFileText(File()), Server.Package());

    TDownloadRun wrong;
    wrong.D.Username = "user";
    wrong.D.Password = "guess";
    ASSERT_TRUE(wrong.Run(Server.URL("/auth")));
    EXPECT_EQ(wrong.Completions.at(0).ResponseCode, 401u);
    EXPECT_EQ(wrong.Completions.at(0).Result, E_ABORT);
}

TEST_F(DownloadTest, ExtraInfoExtendsAGetAndAuthenticateHandlerWins) {
    Run.D.ExtraInfo = "?channel=beta";
    Run.D.Username = "wrong";
    Run.D.OnAuthenticate = [](TBSCB*, std::uintptr_t&, std::string& user, std::string& password) {
        user = "user";
        password = "secret";
        return S_OK;
    };
    ASSERT_TRUE(Run.Run(Server.URL("/auth"), File()));
    EXPECT_EQ(Server.Requests().at(0).target, "/auth?channel=beta");
    EXPECT_EQ(Run.Completions.at(0).Result, S_OK);
    EXPECT_EQ(ReadFileText(File()), Server.Package());
}

TEST_F(DownloadTest, RedirectIsReportedAndFollowed) {
    ASSERT_TRUE(Run.Run(Server.URL("/old"), File()));
    const auto statuses = Run.StatusesSeen();
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), 3u), statuses.end());
    EXPECT_EQ(Run.Completions.at(0).Result, S_OK);
    EXPECT_EQ(ReadFileText(File()), Server.Package());
}

TEST_F(DownloadTest, WithoutAsynchronousDownloadReturnsWhenDone) {
    Run.D.SetOptions({TBindInfoOption::NoWriteCache});
    Run.D.Download(Server.URL("/pkg"), File());
    ASSERT_EQ(Run.Completions.size(), 1u);
    EXPECT_EQ(Run.Completions[0].Result, S_OK);
    EXPECT_EQ(Run.D.RequestCount(), 0u);
    EXPECT_EQ(ReadFileText(File()), Server.Package());
}

TEST_F(DownloadTest, DataHandlerMayReplaceTheBuffer) {
    std::uint32_t reads = 0;
    Run.D.OnData = [&reads](TBSCB*, std::uint8_t*& buffer, std::uint32_t& length) {
        ++reads;
        auto* inverted = static_cast<std::uint8_t*>(std::malloc(std::size_t{length} + 1));
        for (std::uint32_t i = 0; i < length; ++i) {
            inverted[i] = static_cast<std::uint8_t>(~buffer[i]);
        }
        std::free(buffer);
        buffer = inverted;
    };
    ASSERT_TRUE(Run.Run(Server.URL("/pkg"), File()));
    std::string expected = Server.Package();
    for (char& c : expected) {
        c = static_cast<char>(~c);
    }
    EXPECT_EQ(ReadFileText(File()), expected);
    EXPECT_EQ(Run.Completions.at(0).Result, S_OK);
    EXPECT_GE(reads, 2u);  // every drain ends with an empty read
}

TEST(DownloadDefaults, PropertiesAndUserAgentFromTheStore) {
    TempDir config;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    TRegistryStore::ForCurrentUser().EditKey(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", [](TRegKey& key) {
            const std::string text = "Vantrel/4.0 (X11)";
            key.Set("User Agent", TRegValue{RegString, {text.begin(), text.end()}});
        });
    TQtIEDownload withAgent;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((config / "empty").string()));
    TQtIEDownload without;
    qputenv("XDG_CONFIG_HOME", old);

    EXPECT_EQ(withAgent.UserAgent, "Vantrel/4.0 (X11)");
    EXPECT_EQ(without.UserAgent, "");
    EXPECT_EQ(withAgent.BindFlags(), 0x1u | 0x2u | 0x10u | 0x20u | 0x80u);
    EXPECT_EQ(withAgent.AdditionalHeader(),
              std::vector<std::string>{"Content-Type: application/x-www-form-urlencoded"});
    EXPECT_EQ(withAgent.TimeOut, 0);
    withAgent.SetOptions({TBindInfoOption::Reserved_3, TBindInfoOption::No_UI});
    EXPECT_EQ(withAgent.BindFlags(), 0x800000u | 0x800u);
    EXPECT_EQ(CodePageNumber(TCodePageOption::Symbol), 42u);
    EXPECT_EQ(CodePageNumber(TCodePageOption::UTF8), 65001u);
}

}  // namespace
}  // namespace vantrel::test
