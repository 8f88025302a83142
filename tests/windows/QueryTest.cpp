// The query over WinINet against the nginx recipe on loopback: the reply the
// test writes is read back as the program reads it, and a project the server
// does not know is a failed query.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/iProcs.h"
#include "protocol/ProjectInfoQuery.h"
#include "protocol/ReplyWriter.h"

namespace vantrel {
namespace {

// The served folder, as CTest's fixture made it (a Unix path; Wine maps it).
std::filesystem::path Served() {
    const char* dir = std::getenv("VANTREL_TEST_SERVED");
    return dir != nullptr ? std::filesystem::path(dir) : std::filesystem::path();
}

class QueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Served().empty()) << "VANTREL_TEST_SERVED is not set";
        std::ifstream portFile(Served() / "port");
        std::string port;
        ASSERT_TRUE(std::getline(portFile, port));
        // The C runtime's copy of the environment, which getenv reads.
        _putenv_s("VANTREL_SERVER", ("http://127.0.0.1:" + port).c_str());
        AppDir = "Z:\\nonexistent\\";  // no key beside a test: replies are not verified
        InstalledProduct = {true, 0x04000001, "kvoutlook.dll"};
    }
};

TEST_F(QueryTest, AServedReplyIsReadAndAnUnknownProjectFails) {
    TProjectReplyContent content;
    content.ProductTitle = "Orbisk for Outlook";
    content.DownloadURL = "http://127.0.0.1/packages";
    content.Available = {true, 0x04000002, "Orbisk4OutlookSetup.exe"};
    const std::vector<std::uint8_t> reply = BuildProjectReply(content);
    std::ofstream(Served() / "replies" / "Orbisk4Outlook.reply", std::ios::binary)
        .write(reinterpret_cast<const char*>(reply.data()),
               static_cast<std::streamsize>(reply.size()));

    ProjectID = "Orbisk4Outlook";
    ASSERT_TRUE(QueryProjectInfo()) << ErrorMessage;
    EXPECT_EQ(ProjectInfo.ProductTitle, "Orbisk for Outlook");
    EXPECT_EQ(AvailableProduct.Version, 0x04000002u);
    EXPECT_EQ(AvailableProduct.FileName, "Orbisk4OutlookSetup.exe");

    ProjectID = "NoSuchProject";
    EXPECT_FALSE(QueryProjectInfo());
    EXPECT_FALSE(ErrorMessage.empty());
}

}  // namespace
}  // namespace vantrel
