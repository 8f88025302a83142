// The vantrel program run as a child process, as a scheduler would start
// it: its own home and XDG directories, the product's libraries in its
// working directory, and nginx on loopback as the update server.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "core/Dates.h"
#include "core/UpdateState.h"
#include "platform/RegistryStore.h"
#include "protocol/ReplyWriter.h"
#include "tests/e2e/ChildProcess.h"
#include "tests/support/NginxServer.h"
#include "tests/support/TempDir.h"
#include "tools/sample/PeFixture.h"

namespace vantrel::test {

namespace fs = std::filesystem;

constexpr std::uint32_t kInstalled = 0x04000000;  // 4.0.0.0
constexpr std::uint32_t kPendingDownload = 0x04000005;

struct TStored {
    std::uint8_t Status = 0;
    std::uint32_t DownloadingVersion = 0;
    std::uint8_t Mode = 0;
    std::optional<TDateTime> Next;  // absent when the value is not stored
};

inline std::string Text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// Waits until `path` contains `needle`, woken by inotify rather than by
// polling the clock.
inline bool WaitForText(const fs::path& path, const std::string& needle, int timeoutMs) {
    const int watcher = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    inotify_add_watch(watcher, path.c_str(), IN_MODIFY);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool found = false;
    while (!(found = Text(ReadFile(path)).find(needle) != std::string::npos)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd watch{watcher, POLLIN, 0};
        if (left <= 0 || poll(&watch, 1, static_cast<int>(left)) <= 0)
            break;
        char events[4096];
        while (read(watcher, events, sizeof events) > 0) {
        }
    }
    close(watcher);
    return found;
}

class CheckRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const fs::path& dir :
             {FHome, FConfig, FCache, FRuntime, FWork, FServed / "replies", FServed / "packages"})
            fs::create_directories(dir);
        FServer = std::make_unique<NginxServer>(FServed);
        FServerURL = FServer->URL();
    }

    std::vector<std::string> Environment() const {
        return {"HOME=" + FHome.string(),
                "XDG_CONFIG_HOME=" + FConfig.string(),
                "XDG_CACHE_HOME=" + FCache.string(),
                "XDG_RUNTIME_DIR=" + FRuntime.string(),
                "VANTREL_SERVER=" + FServerURL,
                "VANTREL_NOW=" + FNow,
                "LC_ALL=C.UTF-8",
                "PATH=/usr/bin:/bin"};
    }

    struct TRun {
        int Status = -1;
        std::string Out, Err;
    };

    TRun RunVantrel(const std::vector<std::string>& args,
                    const fs::path& program = BinDir() / "vantrel") {
        return RunVantrelWith(args, Environment(), program);
    }

    TRun RunVantrelWith(const std::vector<std::string>& args,
                        const std::vector<std::string>& environment,
                        const fs::path& program = BinDir() / "vantrel") {
        TChildProcess child(program, args, environment, FWork);
        TRun run;
        run.Status = child.Wait();
        run.Out = child.Out();
        run.Err = child.Err();
        return run;
    }

    std::unique_ptr<TChildProcess> StartInstance(const char* mode) {
        auto stub =
            std::make_unique<TChildProcess>(BinDir() / "instance-stub" / "vantrel",
                                            std::vector<std::string>{mode}, Environment(), FWork);
        EXPECT_EQ(stub->ReadLine(10000), "ready");
        return stub;
    }

    void InstallEdition0(std::uint16_t build = 0) {
        WritePeLibrary(FWork / "kvoutlook.dll", 4, 0, 0, build);
    }

    void Offer(std::uint32_t version) {
        TProjectReplyContent content;
        content.ProductTitle = "Orbisk for Outlook";
        content.DownloadURL = FServer->URL() + "/packages";
        content.Available = TProductVersionRec{true, version, "Orbisk4OutlookSetup.exe"};
        WriteFile(FServed / "replies" / "Orbisk4Outlook.reply", BuildProjectReply(content));
    }

    void OfferError(const std::string& text) {
        WriteFile(FServed / "replies" / "Orbisk4Outlook.reply", BuildErrorReply(text));
    }

    platform::TRegistryStore Store() const {
        return platform::TRegistryStore(FConfig / "vantrel" / "user.reg");
    }

    void StoreState(std::uint8_t status, std::uint32_t downloading, std::uint8_t mode,
                    TDateTime next) {
        Store().EditKey("Vantrel", [&](platform::TRegKey& key) {
            const auto binary = [](const void* field, std::size_t size) {
                const auto* bytes = static_cast<const std::uint8_t*>(field);
                return platform::TRegValue{platform::RegBinary, {bytes, bytes + size}};
            };
            key.Set("Update Status", binary(&status, 1));
            key.Set("Downloading Version", binary(&downloading, 4));
            key.Set("Update Mode", binary(&mode, 1));
            key.Set("Next Scheduled Update", binary(&next, 8));
        });
        Store().EditKey("Unrelated", [](platform::TRegKey& key) {
            key.Set("Kept", {platform::RegString, {'y', 'e', 's'}});
        });
    }

    std::optional<TStored> Stored() const {
        const std::optional<platform::TRegKey> key = Store().ReadKey("Vantrel");
        if (!key)
            return std::nullopt;
        TStored stored;
        const auto copy = [&](const char* name, void* field, std::size_t size) {
            const platform::TRegValue* value = key->Find(name);
            EXPECT_NE(value, nullptr) << name;
            if (value != nullptr) {
                EXPECT_EQ(value->Type, platform::RegBinary) << name;
                EXPECT_EQ(value->Data.size(), size) << name;
                std::memcpy(field, value->Data.data(), std::min(size, value->Data.size()));
            }
        };
        copy("Update Status", &stored.Status, 1);
        copy("Downloading Version", &stored.DownloadingVersion, 4);
        copy("Update Mode", &stored.Mode, 1);
        if (key->Find("Next Scheduled Update") != nullptr) {
            TDateTime next = 0;
            copy("Next Scheduled Update", &next, 8);
            stored.Next = next;
        }
        return stored;
    }

    // The requests nginx received, in order. A marker request made now is
    // logged after everything before it, so once it shows the list is whole.
    std::vector<std::string> Requests() {
        const std::string marker = "/e2e-marker-" + std::to_string(++FMarkers);
        httplib::Client client(FServer->URL());
        EXPECT_TRUE(client.Get(marker));
        EXPECT_TRUE(WaitForText(FServer->AccessLog(), marker, 10000));
        std::vector<std::string> requests;
        std::string log = Text(ReadFile(FServer->AccessLog()));
        std::size_t start = 0;
        while (start < log.size()) {
            const std::size_t end = log.find('\n', start);
            const std::string line = log.substr(start, end - start);
            start = end == std::string::npos ? log.size() : end + 1;
            if (line.find("/e2e-marker-") == std::string::npos)
                requests.push_back(line);
        }
        return requests;
    }

    static std::string QueryFor(std::uint32_t version) {
        return "GET /cgi-bin/vantrel/VantrelSrv4.dll/GetProjectInfo?ProjectID=Orbisk4Outlook"
               "&CurrentProjectVersion=" +
               std::to_string(static_cast<std::int32_t>(version)) + " HTTP/1.1\" 200";
    }

    TempDir FRoot;
    fs::path FHome = FRoot / "home", FConfig = FRoot / "config", FCache = FRoot / "cache",
             FRuntime = FRoot / "runtime", FWork = FRoot / "work", FServed = FRoot / "served";
    std::string FNow = "2025-01-30T10:00:00";
    std::unique_ptr<NginxServer> FServer;
    std::string FServerURL;
    int FMarkers = 0;
};

}  // namespace vantrel::test
