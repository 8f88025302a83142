// A package from nginx, cancelled half-way and resumed: the resumed request
// asks only for the missing bytes and the file ends equal to the package.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>

#include <filesystem>

#include "tests/frontend/qt/download/DownloadHarness.h"
#include "tests/support/NginxServer.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

using namespace platform;

QByteArray Sha256(const std::string& data) {
    return QCryptographicHash::hash(
        QByteArrayView(data.data(), static_cast<qsizetype>(data.size())),
        QCryptographicHash::Sha256);
}

QByteArray Sha256OfFile(const std::filesystem::path& path) {
    QFile file(QString::fromStdString(path.string()));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    hash.addData(&file);
    return hash.result();
}

TEST(NginxResume, CancelledHalfWayThenResumedGivesThePackage) {
    constexpr std::size_t kSize = std::size_t{24} * 1024 * 1024;
    TempDir served;
    std::filesystem::create_directories(served / "packages");
    std::filesystem::create_directories(served / "replies");
    const std::string package = Payload(kSize);
    WriteFile(served / "packages" / "setup.exe", package);
    NginxServer nginx(served.path());
    const std::string url = nginx.URL() + "/packages/setup.exe";
    TempDir work;
    const auto file = work / "setup.exe.part";

    TDownloadRun first;
    first.CancelAtProgress = kSize / 3;
    ASSERT_TRUE(first.Run(url, file.string()));
    ASSERT_EQ(first.Completions.size(), 1u);
    EXPECT_EQ(first.Completions[0].Result, E_ABORT);
    const auto partial = std::filesystem::file_size(file);
    ASSERT_GE(partial, kSize / 3);
    ASSERT_LT(partial, kSize);

    TDownloadRun resumed;
    ASSERT_TRUE(resumed.Run(url, file.string(), 60000));
    ASSERT_EQ(resumed.AdditionalHeaders.size(), 1u);
    EXPECT_NE(
        resumed.AdditionalHeaders[0].find("Range: bytes=" + std::to_string(partial) + "-\r\n"),
        std::string::npos);
    ASSERT_EQ(resumed.Completions.size(), 1u);
    EXPECT_EQ(resumed.Completions[0].Result, S_OK);
    EXPECT_EQ(resumed.Completions[0].ResponseCode, 206u);
    // Only the missing bytes travelled: the transfer's own total is the
    // rest, shown on top of what the file held.
    const TProgressRecord* progress = resumed.FirstDownloading();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->ProgressMax, kSize);
    EXPECT_EQ(resumed.Progress.back().Progress, kSize);
    EXPECT_EQ(Sha256OfFile(file), Sha256(package));

    // Once complete, a further resume is answered 416, reported twice.
    TDownloadRun again;
    ASSERT_TRUE(again.Run(url, file.string()));
    ASSERT_EQ(again.Completions.size(), 2u);
    EXPECT_EQ(again.Completions[0].Result, E_ABORT);
    EXPECT_EQ(again.Completions[0].ResponseCode, 416u);
    EXPECT_EQ(again.Completions[1].ResponseCode, 416u);
    EXPECT_EQ(Sha256OfFile(file), Sha256(package));
}

}  // namespace
}  // namespace vantrel::test
