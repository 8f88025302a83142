#include <gtest/gtest.h>

#include "platform/PeVersion.h"
#include "tests/support/TempDir.h"
#include "tools/sample/PeFixture.h"

namespace vantrel::platform {
namespace {

using test::BuildPeLibrary;
using test::TPeFixture;
using test::TVersionResource;

TPeFixture Fixture(bool pe32Plus, TVersionResource resource = TVersionResource::Present) {
    TPeFixture f;
    f.Pe32Plus = pe32Plus;
    f.Resource = resource;
    f.Major = 4;
    f.Minor = 300;
    f.Release = 2;
    f.Build = 65535;
    return f;
}

TEST(PeVersion, ReadsTheFileVersionNotTheProductVersionOfBothFormats) {
    for (const bool pe32Plus : {false, true}) {
        SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
        const auto version = ReadPeFileVersion(BuildPeLibrary(Fixture(pe32Plus)));
        ASSERT_TRUE(version);
        EXPECT_EQ(version->Major(), 4u);
        EXPECT_EQ(version->Minor(), 300u);
        EXPECT_EQ(version->Release(), 2u);
        EXPECT_EQ(version->Build(), 65535u);
    }
}

TEST(PeVersion, LibrariesWithoutAUsableVersionResourceGiveNothing) {
    for (const bool pe32Plus : {false, true}) {
        for (const auto resource : {TVersionResource::NoResources, TVersionResource::NoVersion,
                                    TVersionResource::EmptyVersion}) {
            SCOPED_TRACE(static_cast<int>(resource));
            EXPECT_FALSE(ReadPeFileVersion(BuildPeLibrary(Fixture(pe32Plus, resource))));
        }
    }
}

TEST(PeVersion, EveryTruncationOfALibraryIsReadSafely) {
    // Under the sanitizer build this also proves that no offset reaches
    // past the end; only the complete image may yield a version.
    const std::vector<std::uint8_t> full = BuildPeLibrary(Fixture(true));
    for (std::size_t size = 0; size < full.size(); ++size) {
        const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<long>(size));
        const auto version = ReadPeFileVersion(cut);
        if (version) {
            EXPECT_GE(size, 0x600u + 0x58 + 92)
                << "a version read from a cut header, size " << size;
        }
    }
}

TEST(PeVersion, DamagedStructuresAreRefused) {
    const std::vector<std::uint8_t> good = BuildPeLibrary(Fixture(false));
    const auto damaged = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = good;
        bytes[at] = value;
        return ReadPeFileVersion(bytes);
    };
    EXPECT_FALSE(damaged(0, 'X'));                  // not "MZ"
    EXPECT_FALSE(damaged(0x40, 'X'));               // not "PE\0\0"
    EXPECT_FALSE(damaged(0x40 + 24, 0x0C));         // unknown optional-header magic
    EXPECT_FALSE(damaged(0x600 + 0x58 + 40, 0));    // VS_FIXEDFILEINFO signature
    EXPECT_FALSE(damaged(0x600 + 0x58 + 6, 'W'));   // key is not VS_VERSION_INFO
    EXPECT_FALSE(damaged(0x600 + 0x48 + 3, 0x7F));  // data entry RVA far outside the image
    EXPECT_FALSE(damaged(0x600 + 20 + 3, 0x00));    // type entry no longer a subdirectory
    // A resource directory that points at itself ends after its three levels.
    std::vector<std::uint8_t> loop = good;
    loop[0x600 + 0x18 + 20] = 0x00;
    loop[0x600 + 0x18 + 23] = 0x80;
    EXPECT_FALSE(ReadPeFileVersion(loop));
}

TEST(PeVersion, FilesThatCannotBeReadGiveNothing) {
    test::TempDir dir;
    EXPECT_FALSE(ReadPeFileVersion(dir / "missing.dll"));
    EXPECT_FALSE(ReadPeFileVersion(dir.path()));  // a directory
    test::WriteFile(dir / "text.dll", std::string("just some text"));
    EXPECT_FALSE(ReadPeFileVersion(dir / "text.dll"));
    test::WritePeLibrary(dir / "ok.dll", 1, 2, 3, 4);
    const auto version = ReadPeFileVersion(dir / "ok.dll");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->MS, 0x00010002u);
    EXPECT_EQ(version->LS, 0x00030004u);
}

}  // namespace
}  // namespace vantrel::platform
