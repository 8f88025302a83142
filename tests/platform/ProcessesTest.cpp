#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/InstanceMessages.h"
#include "platform/InstanceRegistration.h"
#include "platform/Processes.h"
#include "platform/UserDirs.h"
#include "tests/support/TempDir.h"

namespace vantrel::platform {
namespace {

// A copy of sleep(1) under a name of our choosing, running until the test
// ends it; optionally under another user or another runtime directory.
class TProbe {
public:
    TProbe(const std::filesystem::path& exe, uid_t uid = getuid(),
           const char* runtimeDir = nullptr) {
        // The write end closes on exec, so the read below returns exactly
        // when the child runs the new executable (or has died trying).
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
        FPid = fork();
        if (FPid == 0) {
            close(ready[0]);
            if (runtimeDir != nullptr)
                setenv("XDG_RUNTIME_DIR", runtimeDir, 1);
            if (uid != getuid() && setuid(uid) != 0)
                _exit(127);
            execl(exe.c_str(), exe.c_str(), "1000", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        char ignored;
        while (read(ready[0], &ignored, 1) < 0 && errno == EINTR) {
        }
        close(ready[0]);
    }
    ~TProbe() {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    pid_t Pid() const { return FPid; }

private:
    pid_t FPid = -1;
};

std::filesystem::path SleepCopy(const std::filesystem::path& dir, const std::string& name) {
    std::filesystem::create_directories(dir);
    std::filesystem::path exe = dir / name;
    std::filesystem::copy_file("/bin/sleep", exe);
    std::filesystem::permissions(exe, std::filesystem::perms::owner_all |
                                          std::filesystem::perms::group_exec |
                                          std::filesystem::perms::others_exec);
    return exe;
}

// The address of a socket file; a path longer than the address holds fails
// the test instead of overrunning it (a long TMPDIR).
sockaddr_un SocketAddress(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    EXPECT_LT(text.size(), sizeof address.sun_path) << text;
    text.copy(address.sun_path, sizeof address.sun_path - 1);
    return address;
}

std::vector<pid_t> Pids(const std::vector<TProcess>& processes) {
    std::vector<pid_t> pids;
    pids.reserve(processes.size());
    for (const TProcess& p : processes)
        pids.push_back(p.Pid);
    return pids;
}

class ProcessesTest : public ::testing::Test {
protected:
    void SetUp() override {
        FRuntime = FDir / "runtime";
        std::filesystem::create_directories(FRuntime);
        setenv("XDG_RUNTIME_DIR", FRuntime.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (FDir / "config").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("XDG_CONFIG_HOME");
    }

    test::TempDir FDir;
    std::filesystem::path FRuntime;
};

TEST_F(ProcessesTest, FindsThisProcessByItsOwnNameInAnyLetterCase) {
    std::string name = CurrentExeName();
    ASSERT_FALSE(name.empty());
    std::transform(name.begin(), name.end(), name.begin(), ::toupper);
    const std::vector<TProcess> found = FindProcessesByExeName(name);
    const auto self = std::find_if(found.begin(), found.end(), IsCurrentProcess);
    ASSERT_NE(self, found.end());
    EXPECT_EQ(self->Pid, getpid());
    EXPECT_FALSE(IsCurrentProcess(TProcess{getppid()}));
    EXPECT_TRUE(FindProcessesByExeName("no-such-program-name").empty());
}

// A name no other test's probes share: the suite's tests run side by side,
// and each counts every process of its probe's name.
std::string ProbeName(const std::string& word) {
    return word + std::to_string(getpid());
}

TEST_F(ProcessesTest, SameFileNameInDifferentDirectoriesAndOtherSessionsCount) {
    const TProbe first(SleepCopy(FDir / "a", ProbeName("VantrelProbe")));
    const TProbe second(SleepCopy(FDir / "b", ProbeName("vantrelprobe")));
    const TProbe elsewhere(SleepCopy(FDir / "c", ProbeName("VANTRELPROBE")), getuid(),
                           "/some/other/runtime");
    const std::vector<pid_t> pids = Pids(FindProcessesByExeName(ProbeName("vantrelPROBE")));
    EXPECT_EQ(pids, (std::vector<pid_t>{first.Pid(), second.Pid(), elsewhere.Pid()}));
}

TEST_F(ProcessesTest, AnotherUsersInstanceDoesNotCount) {
    if (getuid() != 0)
        GTEST_SKIP() << "starting a process as another user needs root";
    // The other user must be able to run the copy.
    std::filesystem::permissions(FDir.path(), std::filesystem::perms::all);
    const TProbe mine(SleepCopy(FDir / "a", ProbeName("VantrelProbe")));
    const TProbe theirs(SleepCopy(FDir / "b", ProbeName("VantrelProbe")), 65534);
    EXPECT_EQ(Pids(FindProcessesByExeName(ProbeName("VantrelProbe"))),
              (std::vector<pid_t>{mine.Pid()}));
}

TEST_F(ProcessesTest, TerminateEndsTheProcessAtOnce) {
    const std::filesystem::path exe = SleepCopy(FDir / "a", "VantrelProbe");
    const pid_t child = fork();
    if (child == 0) {
        execl(exe.c_str(), exe.c_str(), "1000", static_cast<char*>(nullptr));
        _exit(127);
    }
    EXPECT_TRUE(TerminateProcessWithCode(TProcess{child}, 0));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_FALSE(TerminateProcessWithCode(TProcess{child}, 0));  // reaped: gone
}

TEST_F(ProcessesTest, PostedMessagesReachTheListenerOfThatProcess) {
    ASSERT_TRUE(ClaimInstance().Registered);
    TInstanceMessageListener listener;
    EXPECT_TRUE(listener.Endpoint().native().starts_with("@vantrel/" + std::to_string(getuid()) +
                                                         "/" + std::to_string(getpid()) + "/"));
    EXPECT_TRUE(PostToProcessWindows(TProcess{getpid()}, WM_SHOWMAINWINDOW, 0, 0));
    EXPECT_TRUE(PostToProcessWindows(TProcess{getpid()}, 7, -1, INTPTR_MAX));
    EXPECT_EQ(listener.WaitForMessage(5000), (TInstanceMessage{1025, 0, 0}));
    EXPECT_EQ(listener.ReadPending(), (std::vector<TInstanceMessage>{{7, -1, INTPTR_MAX}}));
    EXPECT_TRUE(listener.ReadPending().empty());
}

TEST_F(ProcessesTest, AProcessWithoutAnEndpointReceivesNothingAndThePostDoesNotWait) {
    const TProbe windowless(SleepCopy(FDir / "a", "VantrelProbe"));
    EXPECT_FALSE(PostToProcessWindows(TProcess{windowless.Pid()}, WM_SHOWMAINWINDOW, 0, 0));

    // A listener that never reads: once its queue is full, posts fail
    // instead of blocking this process.
    TInstanceMessageListener idle(FRuntime / "idle.sock");
    int refused = 0;
    for (int i = 0; i < 10000 && refused == 0; ++i) {
        if (!PostInstanceMessage(idle.Endpoint(), TInstanceMessage{1, i, 0}))
            ++refused;
    }
    EXPECT_EQ(refused, 1);
    EXPECT_FALSE(idle.ReadPending().empty());
}

TEST_F(ProcessesTest, MalformedDatagramsAreDropped) {
    TInstanceMessageListener listener(FRuntime / "l.sock");
    const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address = SocketAddress(listener.Endpoint());
    const char shortMessage[3] = {1, 2, 3};
    const char longMessage[kInstanceMessageSize + 4] = {};
    sendto(fd, shortMessage, sizeof shortMessage, 0, reinterpret_cast<sockaddr*>(&address),
           sizeof address);
    sendto(fd, longMessage, sizeof longMessage, 0, reinterpret_cast<sockaddr*>(&address),
           sizeof address);
    close(fd);
    ASSERT_TRUE(PostInstanceMessage(listener.Endpoint(), TInstanceMessage{5, 6, 7}));
    EXPECT_EQ(listener.WaitForMessage(5000), (TInstanceMessage{5, 6, 7}));
    EXPECT_TRUE(listener.ReadPending().empty());
}

TEST_F(ProcessesTest, TheEndpointGoesWithTheListenerAndLeavesNoFile) {
    std::filesystem::path endpoint;
    {
        TInstanceMessageListener listener;
        endpoint = listener.Endpoint();
        EXPECT_TRUE(PostInstanceMessage(endpoint, TInstanceMessage{1025, 0, 0}));
    }
    EXPECT_FALSE(PostInstanceMessage(endpoint, TInstanceMessage{1025, 0, 0}));
    EXPECT_TRUE(std::filesystem::is_empty(FRuntime));
}

TEST_F(ProcessesTest, OnlyDeadEndpointFilesInAPrivateDirectoryAreRemoved) {
    const std::filesystem::path dir = FRuntime / "vantrel";
    std::filesystem::create_directory(dir);
    chmod(dir.c_str(), 0700);
    const auto bound = [](const std::filesystem::path& path) {
        const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un address = SocketAddress(path);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    };
    close(bound(dir / "123.sock"));  // its process is gone
    const int alive = bound(dir / "456.sock");
    std::ofstream(dir / "789.sock") << "not a socket";
    close(bound(dir / "notes.sock"));
    RemoveStaleEndpointFiles();
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"456.sock", "789.sock", "notes.sock"}));

    // Where others may write, nothing is touched.
    close(alive);
    chmod(dir.c_str(), 0777);
    RemoveStaleEndpointFiles();
    EXPECT_TRUE(std::filesystem::exists(dir / "456.sock"));
    // Once only dead ones were there, the directory goes too.
    chmod(dir.c_str(), 0700);
    std::filesystem::remove(dir / "789.sock");
    std::filesystem::remove(dir / "notes.sock");
    RemoveStaleEndpointFiles();
    EXPECT_FALSE(std::filesystem::exists(dir));
}

class UserDirsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const char* value = std::getenv(name);
            FSaved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", FDir.path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_CACHE_HOME");
        unsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override {
        for (const auto& [name, value] : FSaved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    mode_t Mode(const std::filesystem::path& path) {
        struct stat info {};
        EXPECT_EQ(lstat(path.c_str(), &info), 0);
        return info.st_mode & 07777;
    }

    test::TempDir FDir;
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

TEST_F(UserDirsTest, DirectoriesFollowTheXdgVariablesAndTheirDefaults) {
    EXPECT_EQ(ConfigDirPath(), FDir / ".config" / "vantrel");
    EXPECT_EQ(CacheDirPath(), FDir / ".cache" / "vantrel");
    EXPECT_EQ(RuntimeDirPath(), "/tmp/vantrel-" + std::to_string(getuid()));
    setenv("XDG_CONFIG_HOME", (FDir / "cfg").c_str(), 1);
    setenv("XDG_CACHE_HOME", "relative/ignored", 1);
    setenv("XDG_RUNTIME_DIR", (FDir / "run").c_str(), 1);
    EXPECT_EQ(ConfigDir(), FDir / "cfg" / "vantrel");
    EXPECT_EQ(CacheDir(), FDir / ".cache" / "vantrel");
    EXPECT_EQ(RuntimeDir(), FDir / "run" / "vantrel");
    for (const auto& dir : {ConfigDirPath(), CacheDirPath(), RuntimeDirPath()})
        EXPECT_EQ(Mode(dir), 0700u) << dir;
}

TEST_F(UserDirsTest, UnsafeDirectoriesAreNarrowedOrRefused) {
    const std::filesystem::path open = FDir / "open";
    std::filesystem::create_directory(open);
    chmod(open.c_str(), 0777);
    EnsurePrivateDir(open);
    EXPECT_EQ(Mode(open), 0700u);

    const std::filesystem::path link = FDir / "link";
    std::filesystem::create_directory_symlink(open, link);
    EXPECT_THROW(EnsurePrivateDir(link), UserDirError);

    test::WriteFile(FDir / "file", std::string("x"));
    EXPECT_THROW(EnsurePrivateDir(FDir / "file"), UserDirError);

    if (getuid() == 0) {
        const std::filesystem::path theirs = FDir / "theirs";
        std::filesystem::create_directory(theirs);
        ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
        EXPECT_THROW(EnsurePrivateDir(theirs), UserDirError);
    }
}

}  // namespace
}  // namespace vantrel::platform
