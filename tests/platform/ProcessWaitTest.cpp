// Waiting for another process to end, with real child processes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Processes.h"

namespace vantrel::platform {
namespace {

// A child that waits for its parent's signal; reaped when it goes.
class TChild {
public:
    TChild() {
        FPid = fork();
        if (FPid == 0) {
            pause();
            _exit(0);
        }
    }
    ~TChild() {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    pid_t Pid() const { return FPid; }

private:
    pid_t FPid = -1;
};

TEST(ProcessWaitTest, RunningProcessIsWaitedForNoLongerThanAsked) {
    const TChild child;
    ASSERT_GT(child.Pid(), 0);
    EXPECT_FALSE(WaitForProcessEnd(TProcess{child.Pid()}, 50));
}

TEST(ProcessWaitTest, KilledProcessCountsAsEndedWhileStillAZombie) {
    const TChild child;
    ASSERT_GT(child.Pid(), 0);
    ASSERT_TRUE(TerminateProcessWithCode(TProcess{child.Pid()}, 0));
    // Not reaped yet: what is left is a zombie, which writes nothing more.
    EXPECT_TRUE(WaitForProcessEnd(TProcess{child.Pid()}, 5000));
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child.Pid()), &info, WEXITED | WNOWAIT), 0);
    EXPECT_EQ(info.si_status, SIGKILL);
}

TEST(ProcessWaitTest, ReapedOrMeaninglessProcessHasEnded) {
    pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
    EXPECT_TRUE(WaitForProcessEnd(TProcess{pid}, 0));
    EXPECT_TRUE(WaitForProcessEnd(TProcess{0}, 0));
}

}  // namespace
}  // namespace vantrel::platform
