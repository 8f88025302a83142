#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "core/iProcs.h"
#include "platform/InternetState.h"
#include "protocol/HttpGet.h"
#include "protocol/ProjectInfoQuery.h"
#include "protocol/ReplyWriter.h"
#include "protocol/ServerMessages.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/Minisign.h"
#include "tests/support/TempDir.h"

namespace vantrel {
namespace {

using test::LoopbackServer;

constexpr const char* kQueryPath = "/cgi-bin/vantrel/VantrelSrv4.dll/GetProjectInfo";

// Points the client at a loopback server and restores the process-wide
// values the query reads and fills.
class QueryProjectInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProjectID = "Orbisk4Outlook";
        InstalledProduct = {true, 0x04000001u, "kvoutlook.dll"};
        ProjectInfo = TProjectInfo{};
        AvailableProduct = TProductVersionRec{};
        ErrorMessage = "stale";
    }
    void TearDown() override {
        unsetenv("VANTREL_SERVER");
        platform::SetInternetConnectedOverride(std::nullopt);
        HttpGetTimeoutSettings() = HttpGetTimeouts{};
        ProjectID.clear();
        InstalledProduct = {};
        ProjectInfo = TProjectInfo{};
        AvailableProduct = {};
        ErrorMessage.clear();
    }

    void Serve(const std::vector<std::uint8_t>& reply) {
        server.Routes().Get(kQueryPath, [reply](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(reply.begin(), reply.end()), "application/octet-stream");
        });
        server.Start();
        setenv("VANTREL_SERVER", (server.URL() + "/").c_str(), 1);
    }

    LoopbackServer server;
};

TEST_F(QueryProjectInfoTest, SendsProjectAndSignedVersionAndFillsTheValues) {
    TProjectReplyContent content;
    content.ProductTitle = "Orbisk";
    content.DownloadURL = "http://127.0.0.1/packages";
    content.Promotion = "Half price";
    content.Available = {true, 0x04000002u, "orbisk-4.0.0.2.exe"};
    Serve(BuildProjectReply(content));

    ASSERT_TRUE(QueryProjectInfo()) << ErrorMessage;
    EXPECT_EQ(ErrorMessage, "");
    EXPECT_EQ(ProjectInfo.ProductTitle, "Orbisk");
    EXPECT_EQ(ProjectInfo.Promotion, "Half price");
    EXPECT_EQ(AvailableProduct, content.Available);
    EXPECT_TRUE(NewVersionOffered());

    ProjectID = "Orbisk4OutlookEx";
    InstalledProduct.Version = 0x80000001u;  // sent as a negative number
    ASSERT_TRUE(QueryProjectInfo());
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target,
              std::string(kQueryPath) + "?ProjectID=Orbisk4Outlook&CurrentProjectVersion=67108865");
    EXPECT_EQ(
        requests[1].target,
        std::string(kQueryPath) + "?ProjectID=Orbisk4OutlookEx&CurrentProjectVersion=-2147483647");
    EXPECT_FALSE(NewVersionOffered());  // unsigned: 0x80000001 > 0x04000002
}

TEST_F(QueryProjectInfoTest, EmptyReplyMeansNotSupported) {
    Serve({});
    EXPECT_FALSE(QueryProjectInfo());
    EXPECT_EQ(ErrorMessage,
              "Vantrel Server information\r\nCurrent product is not supported at the moment.\r\n"
              "Please try again later or visit official web site for more information.");
}

TEST_F(QueryProjectInfoTest, DamagedReplyMeansBadData) {
    auto reply = BuildErrorReply("x");
    reply[60] ^= 0x10;
    Serve(reply);
    EXPECT_FALSE(QueryProjectInfo());
    EXPECT_EQ(ErrorMessage,
              "Vantrel Server error.\r\nBad data returned\r\nPlease check internet connection or "
              "try again later.\r\nIf problem persists, please email this error to "
              "support@orbisk.example");
}

TEST_F(QueryProjectInfoTest, ServerErrorTextIsTheMiddleLine) {
    Serve(BuildErrorReply("Maintenance"));
    EXPECT_FALSE(QueryProjectInfo());
    EXPECT_EQ(ErrorMessage, ServerErrorMessage("Maintenance"));
}

TEST_F(QueryProjectInfoTest, NoConnectionOrNoServerIsAConnectionError) {
    const std::string expected =
        "Internet connection error.\r\nCould not read data from Vantrel Server\r\n"
        "Please check internet connection or try again later.";
    Serve(BuildErrorReply("unused"));
    platform::SetInternetConnectedOverride(false);
    EXPECT_FALSE(QueryProjectInfo());
    EXPECT_EQ(ErrorMessage, expected);
    EXPECT_TRUE(server.Requests().empty());

    platform::SetInternetConnectedOverride(std::nullopt);
    setenv("VANTREL_SERVER",
           ("http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort())).c_str(), 1);
    EXPECT_FALSE(QueryProjectInfo());
    EXPECT_EQ(ErrorMessage, expected);
}

TEST_F(QueryProjectInfoTest, AReplyCutOffMidBodyIsBadData) {
    TProjectReplyContent content;
    content.ProductDescription = std::string(50000, 'q');
    content.Compressed = false;
    content.Available = {true, 2, "p.exe"};
    const auto reply = BuildProjectReply(content);
    server.Routes().Get(kQueryPath, [reply](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            reply.size(), "application/octet-stream",
            [reply](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset >= reply.size() / 2)
                    return false;
                sink.write(reinterpret_cast<const char*>(reply.data()) + offset, 1000);
                return true;
            });
    });
    server.Start();
    setenv("VANTREL_SERVER", server.URL().c_str(), 1);
    EXPECT_FALSE(QueryProjectInfo());
    EXPECT_EQ(ErrorMessage, BadDataMessage());
}

TEST_F(QueryProjectInfoTest, AStalledServerIsAConnectionErrorWithinTheTimeOut) {
    server.Routes().Get(kQueryPath, [this](const httplib::Request&, httplib::Response&) {
        server.StallUntilStopped();
    });
    server.Start();
    setenv("VANTREL_SERVER", server.URL().c_str(), 1);
    HttpGetTimeoutSettings().receiveMs = 1000;
    EXPECT_FALSE(QueryProjectInfo());
    EXPECT_EQ(ErrorMessage, ConnectionErrorMessage());
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// A build with the vendor's key trusts a reply only with the vendor's
// signature over it, naming this project; a quiet check of a reply that
// offers nothing new asks for no signature.
TEST_F(QueryProjectInfoTest, AReplyThatWillBeUsedMustCarryTheVendorsSignature) {
    test::TempDir dir;
    const test::TMinisignKeys vendor = test::MakeMinisignKeys(dir.path(), "vendor");
    const test::TMinisignKeys stranger = test::MakeMinisignKeys(dir.path(), "stranger");
    const std::string savedAppDir = AppDir;
    AppDir = dir.path().string() + "/";
    std::filesystem::copy_file(vendor.PublicKey, dir / "package-key.pub");

    TProjectReplyContent content;
    content.ProductTitle = "Orbisk";
    content.DownloadURL = "http://127.0.0.1/packages";
    content.Available = {true, 0x04000002u, "orbisk-4.0.0.2.exe"};
    const std::vector<std::uint8_t> reply = BuildProjectReply(content);
    const auto signature = [&](const std::vector<std::uint8_t>& bytes,
                               const test::TMinisignKeys& keys, const std::string& comment) {
        const std::filesystem::path file = dir / "signed.reply";
        test::WriteFile(file, std::string(bytes.begin(), bytes.end()));
        test::MinisignSign(keys, file, comment);
        return test::ReadFileText(file.string() + ".minisig");
    };
    const std::string good = signature(reply, vendor, "vantrel-reply project:Orbisk4Outlook");
    content.DownloadURL = "http://attacker.example/packages";
    const std::vector<std::uint8_t> rewritten = BuildProjectReply(content);

    struct TCase {
        const char* Name;
        std::vector<std::uint8_t> Reply;
        std::optional<std::string> Signature;  // none: 404
        bool ShowInfo;
        bool Accepted;
        std::size_t Requests;
    };
    const TCase cases[] = {
        {"signed reply", reply, good, false, true, 2},
        {"reply text changed", rewritten, good, false, false, 2},
        {"reply unsigned", reply, std::nullopt, false, false, 2},
        {"signed by another key", reply,
         signature(reply, stranger, "vantrel-reply project:Orbisk4Outlook"), false, false, 2},
        {"another project's reply", reply,
         signature(reply, vendor, "vantrel-reply project:Orbisk4Inside"), false, false, 2},
        {"nothing new, quiet: one request", BuildProjectReply({}), std::nullopt, false, true, 1},
        {"nothing new, shown: signed", BuildProjectReply({}),
         signature(BuildProjectReply({}), vendor, "vantrel-reply project:Orbisk4Outlook"), true,
         true, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        test::LoopbackServer replies;
        replies.Routes().Get(kQueryPath, [&](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(c.Reply.begin(), c.Reply.end()),
                            "application/octet-stream");
        });
        replies.Routes().Get(std::string(kQueryPath) + ".minisig",
                             [&](const httplib::Request&, httplib::Response& res) {
                                 if (c.Signature)
                                     res.set_content(*c.Signature, "text/plain");
                                 else
                                     res.status = 404;
                             });
        replies.Start();
        setenv("VANTREL_SERVER", (replies.URL() + "/").c_str(), 1);
        ShowInfo = c.ShowInfo;
        EXPECT_EQ(QueryProjectInfo(), c.Accepted) << ErrorMessage;
        EXPECT_EQ(replies.Requests().size(), c.Requests);
        if (!c.Accepted) {
            // Nothing of a reply that did not verify reaches the windows.
            EXPECT_NE(ErrorMessage.find("reply"), std::string::npos) << ErrorMessage;
            EXPECT_EQ(ProjectInfo.DownloadURL, "");
            EXPECT_FALSE(AvailableProduct.Found);
        }
    }
    ShowInfo = false;
    AppDir = savedAppDir;
}

}  // namespace
}  // namespace vantrel
