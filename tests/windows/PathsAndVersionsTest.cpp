// What the check side reads from disk on Windows: the PE version reader
// against the system's own GetFileVersionInfoW, and files in a folder whose
// name lies outside the ANSI code page (a user profile named in another
// script).
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/FileReader.h"
#include "platform/PeVersion.h"
#include "platform/TextConversion.h"
#include "platform/Utf8Path.h"

namespace vantrel::platform {
namespace {

std::filesystem::path SystemFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH + 1];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
    return std::filesystem::path(std::wstring(folder, length)) / name;
}

// The fixed file version as the system reads it: major, minor, release, build.
std::optional<std::array<unsigned, 4>> SystemFileVersion(const std::filesystem::path& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<unsigned char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize))
        return std::nullopt;
    return std::array<unsigned, 4>{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                                   HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

// A folder in the temporary folder named in Greek and Japanese, which no
// ANSI code page holds together.
class ForeignFolder : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        FDir =
            std::filesystem::path(temp) / (L"Vantrel-\u03a9\u03bc\u03ad\u03b3\u03b1-\u65e5\u672c-" +
                                           std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(FDir);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }
    std::filesystem::path FDir;
};

TEST(PeVersionTest, TheReaderAgreesWithTheSystemOnItsOwnLibraries) {
    for (const wchar_t* name : {L"kernel32.dll", L"user32.dll", L"wininet.dll", L"advapi32.dll"}) {
        const std::filesystem::path file = SystemFile(name);
        SCOPED_TRACE(Utf8Text(file));
        const auto expected = SystemFileVersion(file);
        ASSERT_TRUE(expected);
        const std::optional<TFileVersion> read = ReadPeFileVersion(file);
        ASSERT_TRUE(read);
        EXPECT_EQ(
            (std::array<unsigned, 4>{read->Major(), read->Minor(), read->Release(), read->Build()}),
            *expected);
    }
}

TEST_F(ForeignFolder, FilesThereAreFoundReadAndVersioned) {
    // The program's 8-bit path for the folder is UTF-8 and comes back whole.
    const std::string utf8 = Utf8Text(FDir);
    EXPECT_EQ(Utf8Path(utf8), FDir);

    const std::filesystem::path library = FDir / L"kvoutlook.dll";
    std::filesystem::copy_file(SystemFile(L"wininet.dll"), library);
    const auto read = ReadPeFileVersion(Utf8Path(utf8 + "\\kvoutlook.dll"));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Major(), (*SystemFileVersion(library))[0]);

    const std::filesystem::path package = FDir / L"Orbisk4OutlookSetup.exe";
    std::ofstream(package, std::ios::binary) << std::string(100000, 'p') << "end";
    TFileReader reader(Utf8Path(utf8 + "\\Orbisk4OutlookSetup.exe"));
    EXPECT_EQ(reader.Size(), 100003u);
    std::vector<unsigned char> buffer(1 << 16);
    std::size_t total = 0;
    while (const std::size_t got = reader.Read(buffer))
        total += got;
    EXPECT_EQ(total, 100003u);
    EXPECT_THROW(TFileReader{FDir}, TFileReadError);  // a folder is no file
}

TEST(TextConversionTest, TheCodePageRefusesWhatItCannotHold) {
    EXPECT_EQ(Utf8ToUtf16("Gr\xc3\xbc\xc3\x9f"
                          "e \xe6\x97\xa5"),
              u"Gr\u00fc\u00dfe \u65e5");
    EXPECT_EQ(CodePageToUtf16(Utf16ToCodePage(u"Orbisk 4")), u"Orbisk 4");
    EXPECT_THROW(Utf16ToCodePage(u"\u65e5\u672c\u03a9"), std::runtime_error);
    EXPECT_THROW(Utf8ToUtf16("\xff\xfe"), std::runtime_error);
}

}  // namespace
}  // namespace vantrel::platform
