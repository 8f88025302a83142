// vantrel-sample-library writes a library that the client's own detection
// recognises as the chosen edition at the chosen version.
#include <gtest/gtest.h>

#include "core/ProductDetection.h"
#include "core/iProcs.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ToolProcess.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

class SampleLibraryToolTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (!FPrevious.empty())
            fs::current_path(FPrevious);
    }

    // DetectProduct resolves the library names against the current
    // directory, as the client does in the product's directory.
    TProductVersionRec DetectIn(const fs::path& dir) {
        FPrevious = fs::current_path();
        fs::current_path(dir);
        ProjectID.clear();
        RegistryPath.clear();
        TProductVersionRec found = DetectProduct();
        fs::current_path(FPrevious);
        FPrevious.clear();
        return found;
    }

    TempDir FDir;
    fs::path FPrevious;
};

TEST_F(SampleLibraryToolTest, EditionZeroIsDetectedAtItsVersion) {
    const fs::path product = FDir / "product";
    const TToolRun run =
        RunTool("vantrel-sample-library", {"--edition", "0", "--version", "4.0.0.1", product});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, (product / "kvoutlook.dll").string() + "\n");

    const TProductVersionRec found = DetectIn(product);
    EXPECT_TRUE(found.Found);
    EXPECT_EQ(found.Version, 0x04000001u);
    EXPECT_EQ(ProjectID, "Orbisk4Outlook");
}

TEST_F(SampleLibraryToolTest, EditionOneKeepsComponentsAbove255) {
    // The options may come in any order; the directory exists already.
    const TToolRun run = RunTool("vantrel-sample-library", {FDir.path().string(), "--version",
                                                            "1.300.0.65535", "--edition", "1"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(fs::exists(FDir / "orbisk4inside.dll"));
    EXPECT_FALSE(fs::exists(FDir / "kvoutlook.dll"));

    const TProductVersionRec found = DetectIn(FDir.path());
    EXPECT_TRUE(found.Found);
    // (1 * 256 + 300) << 16 plus 0 * 256 + 65535, as the packing wraps it.
    EXPECT_EQ(found.Version, 0x022CFFFFu);
    EXPECT_EQ(ProjectID, "Orbisk4OutlookEx");
}

TEST_F(SampleLibraryToolTest, RefusesWhatItCannotWriteFaithfully) {
    const std::string dir = (FDir / "out").string();
    const std::vector<std::vector<std::string>> refused = {
        {"--edition", "2", "--version", "4.0.0.1", dir},
        {"--edition", "", "--version", "4.0.0.1", dir},
        {"--edition", "0", "--version", "4.0.1", dir},
        {"--edition", "0", "--version", "4.0.0.1.2", dir},
        {"--edition", "0", "--version", "4.0.0.65536", dir},
        {"--edition", "0", "--version", "4.0..1", dir},
        {"--edition", "0", "--version", "4.0.0.-1", dir},
        {"--edition", "0", "--version", "4.0.0.+1", dir},
        {"--edition", "0", "--version", " 4.0.0.1", dir},
        {"--edition", "0", "--version", "4.0.0.1"},
        {"--edition", "0", "--version", "4.0.0.1", dir, dir},
        {"--edition", "0", dir, "--version"},
        {"--colour", "0", "--edition", "0", "--version", "4.0.0.1", dir},
    };
    for (const std::vector<std::string>& args : refused) {
        const TToolRun run = RunTool("vantrel-sample-library", args);
        EXPECT_EQ(run.Status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(run.Err.find("usage:"), std::string::npos) << run.Err;
    }
    EXPECT_FALSE(fs::exists(dir));
}

TEST_F(SampleLibraryToolTest, AnUnwritableDirectoryIsReported) {
    const fs::path blocker = FDir / "file";
    WriteFile(blocker, std::string("x"));
    const TToolRun run = RunTool("vantrel-sample-library", {"--edition", "0", "--version",
                                                            "4.0.0.1", (blocker / "sub").string()});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("cannot create"), std::string::npos) << run.Err;
}

}  // namespace
}  // namespace vantrel::test
