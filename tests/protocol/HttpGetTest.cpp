#include <gtest/gtest.h>

#include <chrono>

#include "platform/InternetState.h"
#include "protocol/HttpGet.h"
#include "tests/support/LoopbackServer.h"

namespace vantrel {
namespace {

using test::LoopbackServer;

std::string AsText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

class HttpGetTest : public ::testing::Test {
protected:
    void SetUp() override { saved = HttpGetTimeoutSettings(); }
    void TearDown() override {
        HttpGetTimeoutSettings() = saved;
        platform::SetInternetConnectedOverride(std::nullopt);
    }
    HttpGetTimeouts saved;
};

TEST_F(HttpGetTest, AppendsTheBodyAndSendsTheAgentAndNoCacheHeaders) {
    LoopbackServer server;
    server.Routes().Get("/x", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(5000, 'b'), "application/octet-stream");
    });
    server.Start();

    std::vector<std::uint8_t> stream = {'a'};
    ASSERT_TRUE(HttpGet(server.URL() + "/x?q=1", stream));
    EXPECT_EQ(AsText(stream), "a" + std::string(5000, 'b'));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/x?q=1");
    EXPECT_EQ(requests[0].Header("User-Agent"), "Microsoft Internet Explorer");
    EXPECT_EQ(requests[0].Header("Pragma"), "no-cache");
    EXPECT_EQ(requests[0].Header("Cache-Control"), "no-cache");
    EXPECT_EQ(requests[0].Header("Cookie"), "");
}

TEST_F(HttpGetTest, AnyStatusIsABodyAndRedirectsAreNotFollowed) {
    LoopbackServer server;
    server.Routes().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("no such page", "text/plain");
    });
    server.Routes().Get("/moved", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/elsewhere");
        res.set_content("moved", "text/plain");
    });
    server.Routes().Get("/elsewhere", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("followed", "text/plain");
    });
    server.Routes().Get("/empty", [](const httplib::Request&, httplib::Response&) {});
    server.Start();

    std::vector<std::uint8_t> body;
    ASSERT_TRUE(HttpGet(server.URL() + "/missing", body));
    EXPECT_EQ(AsText(body), "no such page");
    body.clear();
    ASSERT_TRUE(HttpGet(server.URL() + "/moved", body));
    EXPECT_EQ(AsText(body), "moved");
    body.clear();
    ASSERT_TRUE(HttpGet(server.URL() + "/empty", body));
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(HttpGetTest, NoResponseAtAllIsFalseAndLeavesTheStream) {
    std::vector<std::uint8_t> stream = {'k'};
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort());
    EXPECT_FALSE(HttpGet(refused + "/x", stream));
    EXPECT_FALSE(HttpGet("http://", stream));
    EXPECT_FALSE(HttpGet("ftp://127.0.0.1/x", stream));
    EXPECT_FALSE(HttpGet("file:///etc/passwd", stream));
    EXPECT_EQ(AsText(stream), "k");
}

TEST_F(HttpGetTest, AFailedTlsHandshakeIsNoResponse) {
    // A plain HTTP server answers a TLS hello with bytes that are no TLS.
    LoopbackServer server;
    server.Routes().Get("/x", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("plain", "text/plain");
    });
    server.Start();
    std::vector<std::uint8_t> stream;
    EXPECT_FALSE(HttpGet("https://127.0.0.1:" + std::to_string(server.Port()) + "/x", stream));
    EXPECT_TRUE(stream.empty());
}

TEST_F(HttpGetTest, NoConnectionMeansNoRequest) {
    LoopbackServer server;
    server.Routes().Get("/x", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("body", "text/plain");
    });
    server.Start();
    platform::SetInternetConnectedOverride(false);
    std::vector<std::uint8_t> stream;
    EXPECT_FALSE(HttpGet(server.URL() + "/x", stream));
    EXPECT_TRUE(stream.empty());
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(HttpGetTest, AStalledServerEndsAfterTheReceiveTimeOut) {
    LoopbackServer server;
    server.Routes().Get("/stall", [&server](const httplib::Request&, httplib::Response&) {
        server.StallUntilStopped();
    });
    server.Start();
    HttpGetTimeoutSettings().receiveMs = 1000;

    const auto start = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> stream;
    // Connected but never answered: no HTTP response, so no body either.
    EXPECT_FALSE(HttpGet(server.URL() + "/stall", stream));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(HttpGetTest, AResponseThatBreaksOffKeepsWhatArrived) {
    LoopbackServer server;
    server.Routes().Get("/drop", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(100000, "application/octet-stream",
                                 [](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset >= 3000)
                                         return false;  // hang up mid-body
                                     const std::string chunk(1000, 'd');
                                     sink.write(chunk.data(), chunk.size());
                                     return true;
                                 });
    });
    server.Start();
    std::vector<std::uint8_t> stream;
    EXPECT_TRUE(HttpGet(server.URL() + "/drop", stream));
    EXPECT_EQ(stream.size(), 3000u);
}

}  // namespace
}  // namespace vantrel
