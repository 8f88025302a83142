// The update server recipe under deploy/nginx, run with the real nginx and
// asked the way the client asks.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/ProductVersion.h"
#include "core/iProcs.h"
#include "protocol/ProjectInfoQuery.h"
#include "protocol/ReplyWriter.h"
#include "protocol/ServerMessages.h"
#include "tests/support/NginxServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestJpeg.h"

extern char** environ;

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

const std::string kCgi = "/cgi-bin/vantrel/VantrelSrv4.dll/";

std::vector<std::uint8_t> PackageBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 12345;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

std::string AsText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::vector<std::string> Lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// nginx writes its access log after the response has gone out, so a client
// can be faster than the log line.
std::vector<std::string> LinesOnceThereAre(const fs::path& path, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto lines = Lines(path);
    while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        lines = Lines(path);
    }
    return lines;
}

TProjectReplyContent FullContent() {
    TProjectReplyContent c;
    c.ProductTitle = "Orbisk for Outlook";
    c.ProductDescription = "Keeps your mail in order.";
    c.ProductFeatures = "Rules\r\nFolders";
    c.WebSiteURL = "http://www.orbisk.example/outlook";
    c.DownloadURL = "http://127.0.0.1/packages";
    c.NewVersionDescription = "Faster start.";
    c.NewVersionBugFixes = "No more lost folders.";
    c.NewVersionAddons = "Calendar add-on.";
    c.Promotion = "20% off this week";
    c.Available = {true, PackVersion(4, 1, 0, 7), "Orbisk4OutlookSetup.exe"};
    return c;
}

class NginxRecipeTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSavedProjectID = ProjectID;
        FSavedInstalled = InstalledProduct;
        FSavedInfo = ProjectInfo;
        FSavedAvailable = AvailableProduct;
        FSavedError = ErrorMessage;
        if (const char* server = std::getenv("VANTREL_SERVER"))
            FSavedServer = server;

        fs::create_directories(FServed / "replies");
        fs::create_directories(FServed / "packages");
        FServer.emplace(FServed.path());
        setenv("VANTREL_SERVER", FServer->URL().c_str(), 1);
        InstalledProduct = {true, PackVersion(4, 0, 0, 1), ""};
    }

    void TearDown() override {
        FServer.reset();
        ProjectID = FSavedProjectID;
        InstalledProduct = FSavedInstalled;
        ProjectInfo = FSavedInfo;
        AvailableProduct = FSavedAvailable;
        ErrorMessage = FSavedError;
        if (FSavedServer) {
            setenv("VANTREL_SERVER", FSavedServer->c_str(), 1);
        } else {
            unsetenv("VANTREL_SERVER");
        }
    }

    void Serve(const std::string& relative, const std::vector<std::uint8_t>& bytes) {
        fs::create_directories((FServed / relative).parent_path());
        WriteFile(FServed / relative, bytes);
    }

    httplib::Result Get(const std::string& target, const httplib::Headers& headers = {}) {
        httplib::Client client("127.0.0.1", FServer->Port());
        client.set_url_encode(false);  // the target goes out exactly as written
        return client.Get(target.c_str(), headers);
    }

    bool Query(const std::string& projectID) {
        ProjectID = projectID;
        ProjectInfo = {};
        AvailableProduct = {};
        return QueryProjectInfo();
    }

    TempDir FServed;
    std::optional<NginxServer> FServer;

private:
    std::string FSavedProjectID;
    TProductVersionRec FSavedInstalled;
    TProjectInfo FSavedInfo;
    TProductVersionRec FSavedAvailable;
    std::string FSavedError;
    std::optional<std::string> FSavedServer;
};

TEST_F(NginxRecipeTest, CompressedReplyFillsProjectInfo) {
    const auto reply = BuildProjectReply(FullContent());
    Serve("replies/Orbisk4Outlook.reply", reply);

    ASSERT_TRUE(Query("Orbisk4Outlook")) << ErrorMessage;
    EXPECT_EQ(ErrorMessage, "");
    const auto expected = FullContent();
    EXPECT_EQ(ProjectInfo.ProductTitle, expected.ProductTitle);
    EXPECT_EQ(ProjectInfo.ProductDescription, expected.ProductDescription);
    EXPECT_EQ(ProjectInfo.ProductFeatures, expected.ProductFeatures);
    EXPECT_EQ(ProjectInfo.WebSiteURL, expected.WebSiteURL);
    EXPECT_EQ(ProjectInfo.DownloadURL, expected.DownloadURL);
    EXPECT_TRUE(ProjectInfo.ProductLogo.Empty());
    EXPECT_EQ(ProjectInfo.NewVersionDescription, expected.NewVersionDescription);
    EXPECT_EQ(ProjectInfo.NewVersionBugFixes, expected.NewVersionBugFixes);
    EXPECT_EQ(ProjectInfo.NewVersionAddons, expected.NewVersionAddons);
    EXPECT_EQ(ProjectInfo.Promotion, expected.Promotion);
    EXPECT_EQ(AvailableProduct, expected.Available);

    // Served byte for byte, as binary, and never from a cache.
    const auto raw = Get(kCgi + "GetProjectInfo?ProjectID=Orbisk4Outlook&CurrentProjectVersion=1");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->status, 200);
    EXPECT_EQ(raw->body, AsText(reply));
    EXPECT_EQ(raw->get_header_value("Content-Type"), "application/octet-stream");
    EXPECT_EQ(raw->get_header_value("Cache-Control"), "no-cache");
}

TEST_F(NginxRecipeTest, UncompressedReplyWithLogo) {
    auto content = FullContent();
    content.Compressed = false;
    content.ProductLogo = MakeJpeg(24, 16);
    content.NewVersionDescription.clear();
    content.NewVersionBugFixes.clear();
    content.NewVersionAddons.clear();
    content.Promotion.clear();
    Serve("replies/Orbisk4Word.reply", BuildProjectReply(content));

    ASSERT_TRUE(Query("Orbisk4Word")) << ErrorMessage;
    EXPECT_EQ(ProjectInfo.ProductTitle, content.ProductTitle);
    EXPECT_EQ(ProjectInfo.DownloadURL, content.DownloadURL);
    EXPECT_EQ(ProjectInfo.ProductLogo.Width(), 24);
    EXPECT_EQ(ProjectInfo.ProductLogo.Height(), 16);
    EXPECT_EQ(AvailableProduct, content.Available);
}

TEST_F(NginxRecipeTest, ErrorReplyGivesTheServerErrorMessage) {
    Serve("replies/Orbisk4Outlook.reply", BuildErrorReply("Down for maintenance"));

    EXPECT_FALSE(Query("Orbisk4Outlook"));
    EXPECT_EQ(ErrorMessage, ServerErrorMessage("Down for maintenance"));
}

TEST_F(NginxRecipeTest, UnknownProjectIsNotSupported) {
    Serve("replies/Orbisk4Outlook.reply", BuildProjectReply(FullContent()));

    EXPECT_FALSE(Query("Orbisk4Excel"));
    EXPECT_EQ(ErrorMessage, NotSupportedMessage());
    // A project directory is not a reply.
    fs::create_directories(FServed / "replies" / "Orbisk4Excel.reply");
    EXPECT_FALSE(Query("Orbisk4Excel"));
    EXPECT_EQ(ErrorMessage, NotSupportedMessage());
}

// Every identifier below names a file that exists, should it be used as a
// path: only the refusal to do so keeps the body empty.
TEST_F(NginxRecipeTest, MalformedProjectIDsGetAnEmptyBody) {
    const auto reply = BuildProjectReply(FullContent());
    Serve("replies/x.reply", reply);
    Serve("replies/a/b.reply", reply);
    Serve("replies/a%2Fb.reply", reply);
    Serve("replies/.hidden.reply", reply);
    Serve("replies/.reply", reply);
    Serve("secret.reply", reply);

    for (const std::string id : {"../replies/x", "..%2Freplies%2Fx", "../secret", "a%2Fb", "a/b",
                                 ".hidden", "", "x%00", "x.reply%3F"}) {
        SCOPED_TRACE("ProjectID=" + id);
        const auto raw = Get(kCgi + "GetProjectInfo?ProjectID=" + id + "&CurrentProjectVersion=1");
        ASSERT_TRUE(raw);
        EXPECT_EQ(raw->status, 200);
        EXPECT_EQ(raw->body, "");
    }
    const auto missing = Get(kCgi + "GetProjectInfo?CurrentProjectVersion=1");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 200);
    EXPECT_EQ(missing->body, "");

    // The client sends the identifier unescaped, exactly like the raw requests.
    EXPECT_FALSE(Query("../replies/x"));
    EXPECT_EQ(ErrorMessage, NotSupportedMessage());
    // The safe ones still work.
    EXPECT_TRUE(Query("x")) << ErrorMessage;
}

TEST_F(NginxRecipeTest, RepliesAreNotPublishedAsFiles) {
    Serve("replies/x.reply", BuildProjectReply(FullContent()));

    const auto raw = Get("/replies/x.reply");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->status, 404);
}

TEST_F(NginxRecipeTest, DownloadCompleteIsAnswered204AndLoggedOnItsOwn) {
    ASSERT_FALSE(Query("Orbisk4Outlook"));  // not in the notice log
    const std::string first = "ProjectID=Orbisk4Outlook&DownloadedVersion=67108865";
    const std::string second = "ProjectID=Orbisk4Word&DownloadedVersion=-2147483647";

    for (const auto& query : {first, second}) {
        const auto raw = Get(kCgi + "DownloadComplete?" + query);
        ASSERT_TRUE(raw);
        EXPECT_EQ(raw->status, 204);
        EXPECT_EQ(raw->body, "");
    }

    const auto notices = LinesOnceThereAre(FServer->DownloadCompleteLog(), 2);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_NE(notices[0].find('"' + first + '"'), std::string::npos) << notices[0];
    EXPECT_NE(notices[1].find('"' + second + '"'), std::string::npos) << notices[1];
    // The main log still sees all traffic.
    const auto all = LinesOnceThereAre(FServer->AccessLog(), 3);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_NE(all[2].find("DownloadComplete?" + second), std::string::npos) << all[2];
}

TEST_F(NginxRecipeTest, PackagesAreServedWithByteRanges) {
    const auto package = PackageBytes(200000);
    Serve("packages/Orbisk4OutlookSetup.exe", package);
    const std::string path = "/packages/Orbisk4OutlookSetup.exe";
    const std::string text = AsText(package);

    const auto full = Get(path);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->status, 200);
    EXPECT_EQ(full->body, text);

    const auto middle = Get(path, {{"Range", "bytes=1000-1999"}});
    ASSERT_TRUE(middle);
    EXPECT_EQ(middle->status, 206);
    EXPECT_EQ(middle->body, text.substr(1000, 1000));
    EXPECT_EQ(middle->get_header_value("Content-Range"), "bytes 1000-1999/200000");

    // The way an interrupted download resumes.
    const auto rest = Get(path, {{"Range", "bytes=199990-"}});
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->status, 206);
    EXPECT_EQ(rest->body, text.substr(199990));

    const auto beyond = Get(path, {{"Range", "bytes=200000-"}});
    ASSERT_TRUE(beyond);
    EXPECT_EQ(beyond->status, 416);
    EXPECT_EQ(beyond->get_header_value("Content-Range"), "bytes */200000");

    const auto missing = Get("/packages/Other.exe");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
}

// What a vendor's "minisign -Sm <package>" leaves beside the package is what
// the client fetches, byte for byte.
TEST_F(NginxRecipeTest, SignaturesAreServedBesideThePackages) {
    const std::string signature =
        "untrusted comment: signature from minisign secret key\n"
        "RUQAAAAAAAAAAA==\ntrusted comment: timestamp:1\tfile:Setup.exe\nAAAA\n";
    Serve("packages/Setup.exe", PackageBytes(1000));
    Serve("packages/Setup.exe.minisig",
          std::vector<std::uint8_t>(signature.begin(), signature.end()));

    const auto raw = Get("/packages/Setup.exe.minisig");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->status, 200);
    EXPECT_EQ(raw->body, signature);
    const auto missing = Get("/packages/Other.exe.minisig");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);

    // A reply's signature lies beside the reply and is served at the reply's
    // address with ".minisig" added to its path.
    Serve("replies/Orbisk4Outlook.reply.minisig",
          std::vector<std::uint8_t>(signature.begin(), signature.end()));
    const std::string replySignature = "/cgi-bin/vantrel/VantrelSrv4.dll/GetProjectInfo.minisig";
    for (const auto& [query, status] : std::vector<std::pair<std::string, int>>{
             {"?ProjectID=Orbisk4Outlook&CurrentProjectVersion=1", 200},
             {"?ProjectID=Orbisk4Inside&CurrentProjectVersion=1", 404},
             {"?ProjectID=../replies/Orbisk4Outlook&CurrentProjectVersion=1", 404}}) {
        const auto answer = Get(replySignature + query);
        ASSERT_TRUE(answer) << query;
        EXPECT_EQ(answer->status, status) << query;
        if (status == 200) {
            EXPECT_EQ(answer->body, signature);
        }
    }
}

struct ScriptRun {
    int status = -1;
    std::string output;
};

// Runs deploy/nginx/serve to its end, stdout and stderr together.
ScriptRun RunServe(const std::vector<std::string>& arguments,
                   std::vector<std::string> extraEnv = {}) {
    TempDir scratch;
    const std::string output = (scratch / "out").string();
    std::vector<std::string> args = {"bash", (SourceDir() / "deploy" / "nginx" / "serve").string()};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    // Replaced variables are left out: getenv would find the inherited one first.
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view inherited(*e);
        const bool replaced =
            std::any_of(extraEnv.begin(), extraEnv.end(), [&](const std::string& v) {
                return inherited.substr(0, inherited.find('=')) == v.substr(0, v.find('='));
            });
        if (!replaced)
            envp.push_back(*e);
    }
    for (auto& variable : extraEnv)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    ScriptRun run;
    if (posix_spawnp(&pid, "bash", &actions, nullptr, argv.data(), envp.data()) == 0) {
        waitpid(pid, &run.status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.output = AsText(ReadFile(output));
    return run;
}

TEST(NginxServeScript, FailsClearlyWhenSomethingIsMissing) {
    TempDir served;
    const auto noDir = RunServe({(served / "nowhere").string(), "8080"});
    EXPECT_TRUE(WIFEXITED(noDir.status) && WEXITSTATUS(noDir.status) == 1) << noDir.output;
    EXPECT_NE(noDir.output.find("served directory"), std::string::npos) << noDir.output;
    EXPECT_NE(noDir.output.find("nowhere' does not exist"), std::string::npos) << noDir.output;

    const auto noNginx = RunServe({served.path().string(), "8080"}, {"NGINX=/nonexistent/nginx"});
    EXPECT_TRUE(WIFEXITED(noNginx.status) && WEXITSTATUS(noNginx.status) == 1) << noNginx.output;
    EXPECT_NE(noNginx.output.find("nginx not found"), std::string::npos) << noNginx.output;

    const auto badPort = RunServe({served.path().string(), "70000"});
    EXPECT_TRUE(WIFEXITED(badPort.status) && WEXITSTATUS(badPort.status) == 1) << badPort.output;
    EXPECT_NE(badPort.output.find("port '70000'"), std::string::npos) << badPort.output;
}

TEST(NginxServeScript, RefusesARateLimitNginxWouldMisread) {
    TempDir served;
    for (const char* rate : {"fast", "0", "0k", "-1", "1g", "12 k", "64k;"}) {
        const auto run = RunServe({served.path().string(), "8080"},
                                  {std::string("VANTREL_NGINX_LIMIT_RATE=") + rate});
        EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 1) << rate << run.output;
        EXPECT_NE(run.output.find("VANTREL_NGINX_LIMIT_RATE '" + std::string(rate) + "'"),
                  std::string::npos)
            << run.output;
    }
}

// The limit is a throughput, which a test cannot assert without timing it;
// what can be checked is that it reaches the packages, and only them, and
// that ranges still work under it.
TEST(NginxServeScript, RateLimitAppliesToPackagesOnly) {
    TempDir served;
    fs::create_directories(served / "packages");
    const auto package = PackageBytes(5000);
    WriteFile(served / "packages" / "Setup.exe", package);
    setenv("VANTREL_NGINX_LIMIT_RATE", "64k", 1);
    std::optional<NginxServer> server;
    server.emplace(served.path());
    unsetenv("VANTREL_NGINX_LIMIT_RATE");
    const std::string conf = AsText(ReadFile(server->RunDir() / "nginx.conf"));
    const std::size_t packages = conf.find("location /packages/ {");
    ASSERT_NE(packages, std::string::npos) << conf;
    const std::size_t limit = conf.find("limit_rate 64k;");
    EXPECT_GT(limit, packages) << conf;
    EXPECT_LT(limit, conf.find('}', packages)) << conf;
    EXPECT_EQ(conf.find("limit_rate", limit + 1), std::string::npos) << conf;

    httplib::Client client("127.0.0.1", server->Port());
    const auto rest = client.Get("/packages/Setup.exe", {{"Range", "bytes=4000-"}});
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->status, 206);
    EXPECT_EQ(rest->body, AsText(package).substr(4000));

    server.reset();
    server.emplace(served.path());
    EXPECT_EQ(AsText(ReadFile(server->RunDir() / "nginx.conf")).find("limit_rate "),
              std::string::npos)
        << "without the variable nothing is limited";
}

// Members of a process group, read from /proc.
std::vector<pid_t> ProcessesInGroup(pid_t group) {
    std::vector<pid_t> members;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat))
            continue;
        // Fields after the parenthesised command: state, ppid, pgrp.
        std::istringstream rest(stat.substr(stat.rfind(')') + 1));
        char state = 0;
        pid_t parent = 0;
        pid_t pgrp = 0;
        if (rest >> state >> parent >> pgrp && pgrp == group)
            members.push_back(std::stoi(name));
    }
    return members;
}

TEST(NginxServeScript, StoppingLeavesNothingRunning) {
    TempDir served;
    pid_t master = -1;
    int port = 0;
    {
        NginxServer server(served.path());
        master = server.Pid();
        port = server.Port();
        EXPECT_TRUE(fs::exists(server.RunDir() / "nginx.pid"));
        EXPECT_TRUE(fs::exists(server.ErrorLog()));
        httplib::Client client("127.0.0.1", port);
        const auto answer = client.Get("/");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 404);
        // Someone answered, so the worker is up beside the master.
        EXPECT_EQ(ProcessesInGroup(master).size(), 2u);
    }
    EXPECT_TRUE(ProcessesInGroup(master).empty());
    httplib::Client client("127.0.0.1", port);
    EXPECT_FALSE(client.Get("/"));
}

}  // namespace
}  // namespace vantrel::test
