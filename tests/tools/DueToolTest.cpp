// vantrel-due run as a scheduler runs it: a child process with its own
// XDG_CONFIG_HOME and clock, answering through its exit status.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/Dates.h"
#include "core/UpdateState.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"
#include "platform/RegistryStore.h"
#include "tests/e2e/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;
using platform::TRegKey;
using platform::TRegValue;

constexpr int kDue = 0;
constexpr int kNotDue = 1;
constexpr int kUsage = 2;

// Local 30 January 2027, in the afternoon: today is the 30th at midnight.
const std::string kNow = "2027-01-30T15:00:00";
const TDateTime kToday = EncodeDate(2027, 1, 30);

TRegValue Binary(const void* field, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(field);
    return TRegValue{platform::RegBinary, {bytes, bytes + size}};
}

struct TDueRun {
    int Status = -1;
    std::string Out, Err;
};

class DueToolTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(FHome); }

    TDueRun Run(const std::vector<std::string>& args = {}, const std::string& now = kNow) {
        const std::vector<std::string> environment = {
            "HOME=" + FHome.string(), "XDG_CONFIG_HOME=" + FConfig.string(), "VANTREL_NOW=" + now,
            "LC_ALL=C.UTF-8", "PATH=/usr/bin:/bin"};
        TChildProcess child(BinDir() / "vantrel-due", args, environment, FDir.path());
        TDueRun run;
        run.Status = child.Wait();
        run.Out = child.Out();
        run.Err = child.Err();
        return run;
    }

    platform::TRegistryStore Store() const {
        return platform::TRegistryStore(FConfig / "vantrel" / "user.reg");
    }

    // The values the client writes at the end of a run; no date when
    // `next` is empty.
    void StoreState(std::uint8_t mode, std::optional<TDateTime> next) {
        Store().EditKey("Vantrel", [&](TRegKey& key) {
            const std::uint8_t status = StatusNone;
            const std::uint32_t downloading = 0;
            key.Set(kUpdateStatusValue, Binary(&status, 1));
            key.Set(kDownloadingVersionValue, Binary(&downloading, 4));
            key.Set(kUpdateModeValue, Binary(&mode, 1));
            if (next)
                key.Set(kNextScheduledUpdateValue, Binary(&*next, 8));
        });
    }

    void SetValue(const char* name, TRegValue value) {
        Store().EditKey("Vantrel", [&](TRegKey& key) { key.Set(name, std::move(value)); });
    }

    TempDir FDir;
    fs::path FHome = FDir / "home";
    fs::path FConfig = FDir / "config";
};

TEST_F(DueToolTest, NothingStoredYetIsDueForTheFirstCheck) {
    const TDueRun run = Run();
    EXPECT_EQ(run.Status, kDue);
    EXPECT_EQ(run.Out, "due: no update state is stored yet, so the first check is due\n");
    // Asking must not create the store or its directory.
    EXPECT_FALSE(fs::exists(FConfig / "vantrel"));

    // A store that holds other keys but not the client's state is the same.
    Store().EditKey("Other", [](TRegKey& key) { key.Set("x", Binary("\1", 1)); });
    EXPECT_EQ(Run().Status, kDue);
}

TEST_F(DueToolTest, NeverIsNeverDueWhateverDateIsStored) {
    StoreState(ModeNever, std::nullopt);
    const TDueRun run = Run();
    EXPECT_EQ(run.Status, kNotDue);
    EXPECT_EQ(run.Out, "not due: the update mode is never\n");

    StoreState(ModeNever, kToday - 100);
    EXPECT_EQ(Run().Status, kNotDue);
}

TEST_F(DueToolTest, ScheduledModesAreDueFromTheStoredDayOn) {
    for (const std::uint8_t mode : {ModeDaily, ModeWeekly, ModeMonthly}) {
        SCOPED_TRACE(static_cast<int>(mode));
        StoreState(mode, kToday - 3);
        EXPECT_EQ(Run().Status, kDue);
        StoreState(mode, kToday);
        EXPECT_EQ(Run().Status, kDue);
        StoreState(mode, kToday + 1);
        EXPECT_EQ(Run().Status, kNotDue);
    }
    const TDueRun run = Run();
    EXPECT_EQ(run.Out,
              "not due: the update mode is monthly and the next check is due on 2027-01-31\n");
    StoreState(ModeWeekly, kToday);
    EXPECT_EQ(Run().Out,
              "due: the update mode is weekly and the next check was due on 2027-01-30\n");
}

TEST_F(DueToolTest, ADateWithATimeOfDayIsDueFromMidnight) {
    StoreState(ModeDaily, kToday + 0.9);  // today, 21:36
    EXPECT_EQ(Run({}, "2027-01-30T00:00:01").Status, kDue);
}

TEST_F(DueToolTest, AScheduledModeWithoutADateIsDue) {
    StoreState(ModeWeekly, std::nullopt);
    const TDueRun run = Run();
    EXPECT_EQ(run.Status, kDue);
    EXPECT_EQ(run.Out, "due: the update mode is weekly and no next check date is stored\n");
}

TEST_F(DueToolTest, AModeTheClientDoesNotOfferIsDue) {
    // The client keeps such a mode and its date as they are, so only a
    // check (and the user's choice in its window) can set them right.
    StoreState(7, kToday + 30);
    const TDueRun run = Run();
    EXPECT_EQ(run.Status, kDue);
    EXPECT_NE(run.Out.find("update mode 7"), std::string::npos) << run.Out;
}

TEST_F(DueToolTest, ADamagedStoreIsDue) {
    fs::create_directories(FConfig / "vantrel");
    WriteFile(FConfig / "vantrel" / "user.reg", std::string("not a registry export\n"));
    const TDueRun run = Run();
    EXPECT_EQ(run.Status, kDue);
    EXPECT_TRUE(run.Out.starts_with("due: the stored update state is damaged (")) << run.Out;
    // The store is left for the client to replace, not rewritten here.
    EXPECT_EQ(ReadFile(FConfig / "vantrel" / "user.reg").size(), 22u);
}

TEST_F(DueToolTest, ValuesTheClientWouldRefuseMakeTheStateDamaged) {
    const std::uint32_t four = ModeNever;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double farAway = 1e300;
    const std::vector<std::pair<const char*, TRegValue>> damages = {
        {kUpdateModeValue, Binary(&four, 4)},  // longer than its byte
        {kUpdateModeValue, TRegValue{platform::RegDWord, {0, 0, 0, 0}}},
        {kUpdateStatusValue, TRegValue{platform::RegString, {'0'}}},
        {kDownloadingVersionValue, Binary("\0\0\0\0\0", 5)},
        {kNextScheduledUpdateValue, Binary(&four, 4)},  // not 8 bytes
        {kNextScheduledUpdateValue, Binary(&nan, 8)},
        {kNextScheduledUpdateValue, Binary(&farAway, 8)},
    };
    for (const auto& [name, value] : damages) {
        SCOPED_TRACE(name);
        // Mode "never" everywhere else: only the damage can make it due.
        StoreState(ModeNever, std::nullopt);
        SetValue(name, value);
        const TDueRun run = Run();
        EXPECT_EQ(run.Status, kDue);
        EXPECT_NE(run.Out.find("damaged"), std::string::npos) << run.Out;
    }
}

TEST_F(DueToolTest, ReadsWhatTheClientSaves) {
    // The client's own save, one week ahead of a save on 30 January.
    ::setenv("XDG_CONFIG_HOME", FConfig.c_str(), 1);
    ResetUpdateState();
    RegistryPath.clear();
    UpdateState.Mode = ModeWeekly;
    SetNowOverride(kToday + 0.5);
    SaveUpdateState(true);
    SetNowOverride(std::nullopt);
    ::unsetenv("XDG_CONFIG_HOME");

    EXPECT_EQ(Run({}, "2027-02-05T23:59:59").Status, kNotDue);
    EXPECT_EQ(Run({}, "2027-02-06").Status, kDue);
}

TEST_F(DueToolTest, QuietAnswersOnlyThroughTheExitStatus) {
    StoreState(ModeDaily, kToday + 5);
    const TDueRun notDue = Run({"-q"});
    EXPECT_EQ(notDue.Status, kNotDue);
    EXPECT_EQ(notDue.Out, "");
    const TDueRun due = Run({"-q"}, "2027-02-04");
    EXPECT_EQ(due.Status, kDue);
    EXPECT_EQ(due.Out, "");
}

TEST_F(DueToolTest, BadCommandLinesAndClocksAreUsageErrors) {
    StoreState(ModeNever, std::nullopt);
    for (const char* arg : {"--bogus", "extra"}) {
        const TDueRun run = Run({arg});
        EXPECT_EQ(run.Status, kUsage) << arg;
        EXPECT_NE(run.Err.find("usage: vantrel-due"), std::string::npos) << run.Err;
    }
    // Answering for the machine's own day instead would skip or force a
    // check without anybody noticing.
    const TDueRun run = Run({}, "2027-02-30");
    EXPECT_EQ(run.Status, kUsage);
    EXPECT_NE(run.Err.find("VANTREL_NOW"), std::string::npos) << run.Err;
}

}  // namespace
}  // namespace vantrel::test
