// vantrel-fetch run as a program against the fault server.
#include <gtest/gtest.h>

#include <QProcess>

#include "tests/download/FaultServer.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

struct TToolRun {
    int ExitCode = -1;
    QStringList Lines;
};

TToolRun RunFetch(const QStringList& args) {
    QProcess tool;
    tool.start(QString::fromStdString((BinDir() / "vantrel-fetch").string()), args);
    EXPECT_TRUE(tool.waitForFinished(30000));
    TToolRun run{tool.exitCode(), {}};
    for (const QByteArray& line : tool.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty()) {
            run.Lines << QString::fromUtf8(line);
        }
    }
    return run;
}

TEST(FetchTool, PrintsEventsAndExitsZeroOnlyOnSuccess) {
    TFaultServer server;
    TempDir dir;
    const QString file = QString::fromStdString((dir / "pkg").string());
    WriteFile(dir / "pkg", server.Package().substr(0, 1000));

    TToolRun ok =
        RunFetch({QString::fromStdString(server.URL("/pkg")), file, "--user-agent", "Probe/1"});
    EXPECT_EQ(ok.ExitCode, 0);
    ASSERT_FALSE(ok.Lines.isEmpty());
    EXPECT_TRUE(ok.Lines.first().contains("Range: bytes=1000-")) << ok.Lines.first().toStdString();
    EXPECT_TRUE(ok.Lines.last().startsWith(
        R"({"event":"complete","responseCode":206,"result":"0x00000000")"))
        << ok.Lines.last().toStdString();
    EXPECT_TRUE(ok.Lines.filter(R"("event":"progress")").size() >= 1);
    EXPECT_EQ(server.Requests().at(0).Header("User-Agent"), "Probe/1");

    TToolRun missing = RunFetch({QString::fromStdString(server.URL("/404")), file + "2"});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Lines.filter(R"("result":"0x80004004")").size(), 2);

    EXPECT_EQ(RunFetch({"http://127.0.0.1/", file, "--timeout", "soon"}).ExitCode, 2);
}

}  // namespace
}  // namespace vantrel::test
