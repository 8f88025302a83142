// The program's local state and its single instance under hostile
// conditions: a damaged store, things that could make it wait for ever,
// starts from other sessions and at the same moment, and a killed instance.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include "tests/e2e/CheckRunFixture.h"

namespace vantrel::test {
namespace {

class LocalStateRunTest : public CheckRunTest {
protected:
    fs::path StoreDir() const { return FConfig / "vantrel"; }

    std::vector<std::string> FilesIn(const fs::path& dir, const std::string& prefix) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().filename().string().starts_with(prefix))
                names.push_back(entry.path().filename().string());
        return names;
    }

    // The environment with XDG_RUNTIME_DIR replaced (empty: left out), as
    // a start from cron, ssh or a second login has it.
    std::vector<std::string> SessionEnvironment(const std::string& runtimeDir) const {
        std::vector<std::string> environment;
        for (const std::string& entry : Environment())
            if (!entry.starts_with("XDG_RUNTIME_DIR="))
                environment.push_back(entry);
        if (!runtimeDir.empty())
            environment.push_back("XDG_RUNTIME_DIR=" + runtimeDir);
        return environment;
    }

    std::unique_ptr<TChildProcess> StartProgram(const std::vector<std::string>& args) {
        std::vector<std::string> environment = Environment();
        environment.push_back("QT_QPA_PLATFORM=offscreen");
        return std::make_unique<TChildProcess>(BinDir() / "vantrel", args, environment, FWork);
    }

    // The endpoint `pid` published when it registered; empty when it has
    // not within the wait.
    std::string WaitForRegistration(pid_t pid, int timeoutMs = 20000) const {
        const std::string prefix = std::to_string(pid) + " ";
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            std::ifstream in(StoreDir() / "instance.lock");
            std::string line;
            if (std::getline(in, line) && line.starts_with(prefix))
                return line.substr(prefix.size());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (std::chrono::steady_clock::now() < deadline);
        return {};
    }

    // Whether an abstract socket of that name ("@…") is bound on this host.
    static bool Bound(const std::string& endpoint) {
        std::ifstream in("/proc/net/unix");
        std::string line;
        while (std::getline(in, line))
            if (line.ends_with(" " + endpoint))
                return true;
        return false;
    }

    static bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }
};

// ---- the store --------------------------------------------------------------

TEST_F(LocalStateRunTest, ADamagedStoreIsKeptAsideAndRepairedOnce) {
    StoreState(StatusNone, 0, ModeDaily, EncodeDate(2025, 1, 1));  // also "Unrelated"
    std::string damaged = Text(ReadFile(StoreDir() / "user.reg"));
    damaged.resize(damaged.size() - 3);  // a truncated last line
    WriteFile(StoreDir() / "user.reg", damaged);
    InstallEdition0();
    Offer(kInstalled);

    const TRun first = RunVantrel({});
    EXPECT_EQ(first.Status, 0);
    const std::vector<std::string> kept = FilesIn(StoreDir(), "user.reg.damaged-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(Text(ReadFile(StoreDir() / kept[0])), damaged);
    EXPECT_NE(first.Err.find(kept[0]), std::string::npos) << first.Err;
    // The damaged key loaded as defaults (mode never); the other key lives on.
    const auto stored = Stored();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Mode, ModeNever);
    EXPECT_TRUE(Store().ReadKey("Unrelated"));

    const TRun second = RunVantrel({});
    EXPECT_EQ(second.Err, "");
    EXPECT_EQ(FilesIn(StoreDir(), "user.reg.damaged-").size(), 1u);
}

TEST_F(LocalStateRunTest, UninstallRemovesTheKeyFromADamagedStore) {
    StoreState(StatusNone, 0, ModeDaily, EncodeDate(2025, 1, 1));
    WriteFile(StoreDir() / "user.reg",
              Text(ReadFile(StoreDir() / "user.reg")) + "\"Broken\"=hex:0\n");
    EXPECT_EQ(RunVantrel({"/uninstall"}).Status, 0);
    EXPECT_FALSE(Stored());
    EXPECT_TRUE(Store().ReadKey("Unrelated"));
}

struct TNoWaitCase {
    const char* Name;
    bool Fifo;            // a FIFO at the store's path
    bool LockHeld;        // another process holds the writers' lock
    const char* Message;  // on standard error
    bool Saved;           // the run's state reached the store
};

class NoWaitTest : public LocalStateRunTest, public ::testing::WithParamInterface<TNoWaitCase> {};

TEST_P(NoWaitTest, TheRunEndsWithoutHangingAndSaysWhatHappened) {
    const TNoWaitCase& c = GetParam();
    StoreState(StatusNone, 0, ModeNever, 0);
    const std::vector<std::uint8_t> before = ReadFile(StoreDir() / "user.reg");
    if (c.Fifo) {
        fs::remove(StoreDir() / "user.reg");
        ASSERT_EQ(mkfifo((StoreDir() / "user.reg").c_str(), 0600), 0);
    }
    const int lock = open((StoreDir() / "user.reg.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    if (c.LockHeld) {
        ASSERT_EQ(flock(lock, LOCK_EX), 0);
    }
    InstallEdition0();
    Offer(kInstalled);
    TChildProcess child(BinDir() / "vantrel", {"/lang:Deutsch"}, Environment(), FWork);
    EXPECT_EQ(child.Wait(30000), 0);  // a hang is killed here and fails
    close(lock);
    EXPECT_NE(child.Err().find(c.Message), std::string::npos) << child.Err();
    EXPECT_EQ(Requests().size(), 1u);
    if (c.Saved) {
        const auto stored = Stored();
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->Mode, ModeNever);
    } else {
        EXPECT_EQ(ReadFile(StoreDir() / "user.reg"), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    LocalState, NoWaitTest,
    ::testing::Values(TNoWaitCase{"Fifo", true, false, "is not a regular file", true},
                      TNoWaitCase{"HeldLock", false, true, "not saved", false}),
    [](const auto& test) { return std::string(test.param.Name); });

// ---- one instance per user ------------------------------------------------------

struct TSessionCase {
    const char* Name;
    const char* RuntimeDir;  // of the second start; empty: unset
    bool Uninstall;
};

class SessionTest : public LocalStateRunTest, public ::testing::WithParamInterface<TSessionCase> {};

TEST_P(SessionTest, ASecondStartFromAnotherSessionReachesTheInstance) {
    const TSessionCase& c = GetParam();
    const fs::path otherRuntime = FRoot / "other-runtime";
    fs::create_directories(otherRuntime);
    const std::string runtime = *c.RuntimeDir == '\0' ? "" : otherRuntime.string();
    StoreState(StatusNone, 0, ModeDaily, EncodeDate(2025, 1, 1));
    InstallEdition0();
    Offer(kInstalled + 1);
    // A real instance for /uninstall (it would save at its end); the stub,
    // which prints what it receives, for the wake-up.
    std::unique_ptr<TChildProcess> first = c.Uninstall ? StartProgram({}) : StartInstance("listen");
    ASSERT_FALSE(WaitForRegistration(first->Pid()).empty()) << first->Err();
    // The real instance registers before it asks the server; its query must
    // be in before the count, or it would be taken for the second start's.
    const std::size_t firstQueries = c.Uninstall ? 1 : 0;
    ASSERT_TRUE(WaitUntil([&] { return Requests().size() >= firstQueries; }, 30000));
    const std::size_t requestsBefore = Requests().size();
    ASSERT_EQ(requestsBefore, firstQueries);

    const TRun second =
        RunVantrelWith({c.Uninstall ? "/uninstall" : "/showinfo"}, SessionEnvironment(runtime));
    EXPECT_EQ(second.Status, 0);
    EXPECT_EQ(second.Err, "");
    EXPECT_EQ(Requests().size(), requestsBefore);  // the second start asked nothing
    if (c.Uninstall) {
        EXPECT_EQ(first->Wait(10000), 128 + SIGKILL);
        EXPECT_FALSE(Stored());  // and the ended instance cannot write it back
        EXPECT_TRUE(Store().ReadKey("Unrelated"));
    } else {
        EXPECT_EQ(first->ReadLine(10000), "message 1025 0 0");
        EXPECT_EQ(Stored()->Next, EncodeDate(2025, 1, 1));  // nothing written
    }
}

INSTANTIATE_TEST_SUITE_P(LocalState, SessionTest,
                         ::testing::Values(TSessionCase{"NoRuntimeDirWakes", "", false},
                                           TSessionCase{"OtherRuntimeDirWakes", "x", false},
                                           TSessionCase{"NoRuntimeDirUninstalls", "", true},
                                           TSessionCase{"OtherRuntimeDirUninstalls", "x", true}),
                         [](const auto& test) { return std::string(test.param.Name); });

// The server holds every query until released, so that the start that
// runs is still running when the other one decides.
class THeldServer {
public:
    THeldServer() {
        FServer.Get(".*", [this](const httplib::Request&, httplib::Response& response) {
            std::unique_lock lock(FMutex);
            ++FQueries;
            FChanged.notify_all();
            FChanged.wait_for(lock, std::chrono::seconds(30), [this] { return FReleased; });
            response.status = 404;
        });
        FPort = FServer.bind_to_any_port("127.0.0.1");
        FThread = std::thread([this] { FServer.listen_after_bind(); });
    }
    ~THeldServer() {
        Release();
        FServer.stop();
        FThread.join();
    }
    std::string URL() const { return "http://127.0.0.1:" + std::to_string(FPort); }
    bool WaitForQueries(int count) {
        std::unique_lock lock(FMutex);
        return FChanged.wait_for(lock, std::chrono::seconds(20), [&] { return FQueries >= count; });
    }
    int Queries() {
        const std::lock_guard lock(FMutex);
        return FQueries;
    }
    void Reset() {
        const std::lock_guard lock(FMutex);
        FQueries = 0;
        FReleased = false;
    }
    void Release() {
        const std::lock_guard lock(FMutex);
        FReleased = true;
        FChanged.notify_all();
    }

private:
    httplib::Server FServer;
    int FPort = 0;
    std::thread FThread;
    std::mutex FMutex;
    std::condition_variable FChanged;
    int FQueries = 0;
    bool FReleased = false;
};

TEST_F(LocalStateRunTest, OfThirtySimultaneousPairsExactlyOneStartRunsEachTime) {
    THeldServer server;
    FServerURL = server.URL();
    InstallEdition0();
    int exactlyOne = 0;
    for (int pair = 0; pair < 30; ++pair) {
        SCOPED_TRACE(pair);
        server.Reset();
        TChildProcess a(BinDir() / "vantrel", {}, Environment(), FWork);
        TChildProcess b(BinDir() / "vantrel", {}, Environment(), FWork);
        ASSERT_TRUE(server.WaitForQueries(1));
        const bool aRuns = !WaitForRegistration(a.Pid(), 100).empty();
        const bool bRuns = !WaitForRegistration(b.Pid(), 100).empty();
        ASSERT_NE(aRuns, bRuns);
        TChildProcess& other = aRuns ? b : a;
        EXPECT_EQ(other.Wait(20000), 0);
        EXPECT_EQ(other.Err(), "");
        const int queries = server.Queries();  // the other one can ask no more
        server.Release();
        EXPECT_EQ((aRuns ? a : b).Wait(20000), 0);
        exactlyOne += queries == 1 ? 1 : 0;
    }
    EXPECT_EQ(exactlyOne, 30);
}

TEST_F(LocalStateRunTest, AKilledInstanceLeavesNoEndpointBehind) {
    // A socket file as earlier versions left it: nothing listens there.
    const fs::path old = FRuntime / "vantrel";
    fs::create_directories(old);
    chmod(old.c_str(), 0700);
    {
        const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = (old / "4242.sock").string();
        ASSERT_LT(path.size(), sizeof address.sun_path) << path;  // a long TMPDIR
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(fd);
    }
    InstallEdition0();
    Offer(kInstalled + 1);
    auto instance = StartProgram({});
    const std::string endpoint = WaitForRegistration(instance->Pid());
    ASSERT_FALSE(endpoint.empty()) << instance->Err();
    ASSERT_TRUE(WaitUntil([&] { return Bound(endpoint); }, 20000)) << endpoint;
    EXPECT_FALSE(fs::exists(old));

    kill(instance->Pid(), SIGKILL);
    EXPECT_EQ(instance->Wait(), 128 + SIGKILL);
    EXPECT_FALSE(Bound(endpoint));
    EXPECT_TRUE(fs::is_empty(FRuntime));
    // The next start is the instance again.
    auto next = StartProgram({});
    EXPECT_FALSE(WaitForRegistration(next->Pid()).empty()) << next->Err();
}

}  // namespace
}  // namespace vantrel::test
