// A 5 GiB package (sparse on the server's side) from nginx: the offsets,
// the Range header and the length checks are 64-bit, and the 32-bit
// progress figures are scaled together so that the percentage stays right.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/RegistryStore.h"
#include "tests/frontend/qt/download/DownloadHarness.h"
#include "tests/support/NginxServer.h"
#include "tests/support/TempDir.h"
#include "window/download/ResumeRecord.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;
using namespace platform;

constexpr std::uint64_t kFiveGiB = 5ull << 30;
constexpr std::uint64_t kTail = 16ull << 20;  // what the resume fetches
// Marked places: the start, around 2 GiB and 4 GiB, and the end.
constexpr std::uint64_t kMarks[] = {0, (1ull << 31) - 5, (1ull << 32) - 3, kFiveGiB - 65536};
const std::string kMark = Payload(65536);

// The package's bytes at the marks, zero elsewhere, holes where the marks
// are not; `size` may cut it short.
void WriteSparse(const fs::path& path, std::uint64_t size) {
    { std::ofstream create(path, std::ios::binary | std::ios::trunc); }
    fs::resize_file(path, size);
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    for (std::uint64_t mark : kMarks) {
        if (mark + kMark.size() <= size) {
            out.seekp(static_cast<std::streamoff>(mark));
            out.write(kMark.data(), static_cast<std::streamsize>(kMark.size()));
        }
    }
}

std::string ReadAt(const fs::path& path, std::uint64_t offset, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string data(count, '\0');
    in.read(data.data(), static_cast<std::streamsize>(count));
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

TEST(LargePackage, FiveGiBDownloadsPausesAndResumesByteExact) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the 5 GiB transfer is about 64-bit arithmetic, not memory errors, and "
                    "takes minutes under the address sanitizer";
#endif
    TempDir served;
    fs::create_directories(served / "packages");
    fs::create_directories(served / "replies");
    const fs::path package = served / "packages" / "setup.exe";
    WriteSparse(package, kFiveGiB);
    NginxServer nginx(served.path());
    const std::string url = nginx.URL() + "/packages/setup.exe";
    TempDir work;
    const fs::path file = work / "setup.exe.tmp";

    // The start of a fresh download, paused after a few megabytes.
    TDownloadRun first;
    first.CancelAtProgress = 4u << 20;
    ASSERT_TRUE(first.Run(url, file.string(), 60000));
    ASSERT_EQ(first.Completions.back().Result, E_ABORT);
    const auto record = ReadResumeRecord(file.string());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Total, std::optional<std::uint64_t>(kFiveGiB));
    // Figures scaled by four to fit 32 bits, the percentage unchanged.
    const TProgressRecord* scaled = first.FirstDownloading();
    ASSERT_NE(scaled, nullptr);
    EXPECT_EQ(scaled->ProgressMax, kFiveGiB >> 2);

    // As if the transfer had gone on to within 16 MiB of the end: the bytes
    // on disk are the package's, the record the one the first answer left.
    WriteSparse(file, kFiveGiB - kTail);
    TDownloadRun resumed;
    ASSERT_TRUE(resumed.Run(url, file.string(), 120000));
    ASSERT_EQ(resumed.AdditionalHeaders.size(), 1u);
    EXPECT_NE(resumed.AdditionalHeaders[0].find("Range: bytes=" + std::to_string(kFiveGiB - kTail) +
                                                "-\r\nIf-Range: "),
              std::string::npos);
    ASSERT_EQ(resumed.Completions.size(), 1u);
    EXPECT_EQ(resumed.Completions[0].Result, S_OK);
    EXPECT_EQ(resumed.Completions[0].ResponseCode, 206u);
    const TProgressRecord* start = resumed.FirstDownloading();
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->ProgressMax, kFiveGiB >> 2);
    const double percent = 100.0 * start->Progress / start->ProgressMax;
    EXPECT_GE(percent, 99.6);
    EXPECT_LT(percent, 100.0);
    EXPECT_EQ(resumed.Progress.back().Progress, resumed.Progress.back().ProgressMax);

    ASSERT_EQ(fs::file_size(file), kFiveGiB);
    EXPECT_TRUE(ReadAt(file, kFiveGiB - kTail, kTail) == ReadAt(package, kFiveGiB - kTail, kTail));
    for (std::uint64_t mark : kMarks)
        EXPECT_TRUE(ReadAt(file, mark, kMark.size()) == kMark) << mark;
}

}  // namespace
}  // namespace vantrel::test
