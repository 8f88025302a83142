// vantrel-fetch run as a program against the fault server.
#include <gtest/gtest.h>

#include <QProcess>

#include "tests/frontend/qt/download/FaultServer.h"
#include "tests/support/Minisign.h"
#include "tests/support/NginxServer.h"
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

// --verify against the nginx recipe, which serves the signatures beside the
// packages; every signature was made by minisign.
TEST(FetchTool, VerifyExitsZeroOnlyForAVerifiedPackage) {
    TempDir dir;
    const auto packages = dir / "served" / "packages";
    std::filesystem::create_directories(packages);
    const TMinisignKeys ours = MakeMinisignKeys(dir.path(), "ours");
    const TMinisignKeys theirs = MakeMinisignKeys(dir.path(), "theirs");
    WriteFile(packages / "good", std::string(300000, 'g'));
    MinisignSign(ours, packages / "good", "release 4.0.0.2");
    WriteFile(packages / "unsigned", std::string(1000, 'u'));
    WriteFile(packages / "other-file", std::string(1000, 'o'));
    MinisignSign(ours, packages / "good", "x", false, packages / "other-file.minisig");
    WriteFile(packages / "other-key", std::string(1000, 'k'));
    MinisignSign(theirs, packages / "other-key", "x");
    WriteFile(dir / "broken.pub", std::string("untrusted comment: key\nRWQ=\n"));
    NginxServer nginx(dir / "served");

    struct TCase {
        const char* Package;
        std::filesystem::path Key;
        int ExitCode;
        const char* Verify;  // in the "verify" event; nullptr: no such event
    };
    const TCase cases[] = {
        {"good", ours.PublicKey, 0, R"("trustedComment":"release 4.0.0.2","verified":true)"},
        {"unsigned", ours.PublicKey, 1, "answered 404"},
        {"other-file", ours.PublicKey, 1, "does not match"},
        {"other-key", ours.PublicKey, 1, "signed with key"},
        {"good", dir / "broken.pub", 2, nullptr},
        {"good", dir / "absent.pub", 2, nullptr},
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Package) + " with " + c.Key.filename().string());
        const QString file = QString::fromStdString((dir / ("out" + std::to_string(++n))).string());
        const TToolRun run =
            RunFetch({QString::fromStdString(nginx.URL() + "/packages/" + c.Package), file,
                      "--verify", QString::fromStdString(c.Key.string())});
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Lines.join("\n").toStdString();
        const QStringList verify = run.Lines.filter(R"("event":"verify")");
        if (c.Verify == nullptr) {
            // A key that cannot be used stops the tool before it downloads.
            EXPECT_TRUE(run.Lines.isEmpty()) << run.Lines.join("\n").toStdString();
            continue;
        }
        ASSERT_EQ(verify.size(), 1) << run.Lines.join("\n").toStdString();
        EXPECT_TRUE(verify[0].contains(c.Verify)) << verify[0].toStdString();
    }
}

// The same file name in three places, each a genuine signature of the key:
// only the release that was asked for may pass.
TEST(FetchTool, ExpectedReleaseMustBeTheOneSigned) {
    TempDir dir;
    const TMinisignKeys keys = MakeMinisignKeys(dir.path(), "vendor");
    struct TCase {
        const char* Directory;
        const char* SignedAs;
        int ExitCode;
        const char* Verify;
    };
    const TCase cases[] = {
        {"new", "project:Orbisk version:4.1.0.0", 0, R"("verified":true)"},
        {"old", "project:Orbisk version:4.0.0.2", 1, "not for version 4.1.0.0 of Orbisk"},
        {"other", "project:Quill version:4.1.0.0", 1, "not for version 4.1.0.0 of Orbisk"},
    };
    for (const TCase& c : cases) {
        const auto package = dir / "served" / "packages" / c.Directory / "Orbisk-Setup.exe";
        std::filesystem::create_directories(package.parent_path());
        WriteFile(package, std::string(5000, c.Directory[0]));
        MinisignSign(keys, package,
                     std::string("vantrel-package ") + c.SignedAs + " file:Orbisk-Setup.exe");
    }
    NginxServer nginx(dir / "served");
    const QString key = QString::fromStdString(keys.PublicKey.string());
    const QStringList expect = {"--expect-project", "Orbisk", "--expect-version", "4.1.0.0"};
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Directory);
        const QString url =
            QString::fromStdString(nginx.URL() + "/packages/" + c.Directory + "/Orbisk-Setup.exe");
        const QString file = QString::fromStdString((dir / ("out" + std::to_string(++n))).string());
        const TToolRun run = RunFetch(QStringList{url, file, "--verify", key} + expect);
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Lines.join("\n").toStdString();
        const QStringList verify = run.Lines.filter(R"("event":"verify")");
        ASSERT_EQ(verify.size(), 1) << run.Lines.join("\n").toStdString();
        EXPECT_TRUE(verify[0].contains(c.Verify)) << verify[0].toStdString();
    }

    // Without --verify, or one without the other, is a usage error.
    const QString url = QString::fromStdString(nginx.URL() + "/packages/new/Orbisk-Setup.exe");
    const QString file = QString::fromStdString((dir / "unused").string());
    for (const QStringList& options : {expect, QStringList{"--verify", key} + expect.mid(0, 2),
                                       QStringList{"--verify", key} + expect.mid(2)}) {
        const TToolRun run = RunFetch(QStringList{url, file} + options);
        EXPECT_EQ(run.ExitCode, 2) << options.join(" ").toStdString();
        EXPECT_TRUE(run.Lines.isEmpty());
    }
}

}  // namespace
}  // namespace vantrel::test
