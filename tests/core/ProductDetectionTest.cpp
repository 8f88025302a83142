#include <gtest/gtest.h>

#include "core/BuildConfig.h"
#include "core/ProductDetection.h"
#include "core/iProcs.h"
#include "tests/support/TempDir.h"
#include "tools/sample/PeFixture.h"

namespace vantrel {
namespace {

using test::WritePeLibrary;

// Detection resolves the table's names against the current directory.
class ProductDetectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        FPrevious = std::filesystem::current_path();
        std::filesystem::current_path(FDir.path());
        ProjectID.clear();
        RegistryPath = "untouched";
    }
    void TearDown() override { std::filesystem::current_path(FPrevious); }

    test::TempDir FDir;
    std::filesystem::path FPrevious;
};

TEST_F(ProductDetectionTest, OnlyTheSecondEditionPresent) {
    WritePeLibrary("orbisk4inside.dll", 4, 0, 0, 1);
    const TProductVersionRec found = DetectProduct();
    EXPECT_TRUE(found.Found);
    EXPECT_EQ(found.Version, 0x04000001u);
    EXPECT_EQ(found.FileName, "orbisk4inside.dll");
    EXPECT_EQ(InstalledProduct, found);
    EXPECT_EQ(ProjectID, "Orbisk4OutlookEx");
    EXPECT_EQ(RegistryPath, "");
}

TEST_F(ProductDetectionTest, TheHigherVersionWinsAndATieGoesToTheFirstRow) {
    WritePeLibrary("kvoutlook.dll", 4, 1, 0, 0);
    WritePeLibrary("orbisk4inside.dll", 4, 1, 0, 0);
    DetectProduct();
    EXPECT_EQ(ProjectID, "Orbisk4Outlook");
    EXPECT_EQ(InstalledProduct.FileName, "kvoutlook.dll");

    WritePeLibrary("orbisk4inside.dll", 4, 1, 0, 1);
    DetectProduct();
    EXPECT_EQ(ProjectID, "Orbisk4OutlookEx");
    EXPECT_EQ(InstalledProduct.Version, 0x04010001u);
}

TEST_F(ProductDetectionTest, NothingQualifiesLeavesACleanRecordAndTheOldIdentifiers) {
    ProjectID = "previous";
    InstalledProduct = TProductVersionRec{true, 5, "stale"};
    WritePeLibrary("kvoutlook.dll", 0, 0, 0, 0);  // read, but version 0 is never chosen
    test::WriteFile("orbisk4inside.dll", std::string("not a library"));
    EXPECT_EQ(DetectProduct(), TProductVersionRec{});
    EXPECT_EQ(InstalledProduct, TProductVersionRec{});
    EXPECT_EQ(ProjectID, "previous");
    EXPECT_EQ(RegistryPath, "untouched");
}

TEST_F(ProductDetectionTest, ADirectoryNamedLikeALibraryIsNoLibrary) {
    std::filesystem::create_directory("kvoutlook.dll");
    EXPECT_FALSE(DetectProduct().Found);
}

TEST(ProductFilePath, JoinsTheProductDirectoryOrStaysInTheCurrentOne) {
    const struct {
        std::string Directory, Expected;
    } cases[] = {
        {"", "kvoutlook.dll"},
        {"/opt/orbisk", "/opt/orbisk/kvoutlook.dll"},
        {"/opt/orbisk/", "/opt/orbisk/kvoutlook.dll"},
        {"/opt/Orbisk Mail", "/opt/Orbisk Mail/kvoutlook.dll"},
        {"/", "/kvoutlook.dll"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProductFilePath(c.Directory, "kvoutlook.dll"), c.Expected) << c.Directory;
}

TEST(ReadVersionInfo, PacksWithCarriesAndNamesTheFileCutTo64Characters) {
    test::TempDir dir;
    const std::string longName = std::string(70, 'n') + ".dll";
    WritePeLibrary(dir / longName, 1, 300, 0, 0);
    const TProductVersionRec rec = ReadVersionInfo((dir / longName).string());
    EXPECT_TRUE(rec.Found);
    EXPECT_EQ(rec.Version, 0x022C0000u);
    EXPECT_EQ(rec.FileName, std::string(64, 'n'));

    const TProductVersionRec missing = ReadVersionInfo((dir / "missing.dll").string());
    EXPECT_FALSE(missing.Found);
    EXPECT_EQ(missing.Version, 0u);
}

}  // namespace
}  // namespace vantrel
