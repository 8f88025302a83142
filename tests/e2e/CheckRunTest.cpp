// The vantrel program run as a child process: the decision table, dates,
// second starts and failures.
#include "tests/e2e/CheckRunFixture.h"

namespace vantrel::test {
namespace {

// ---- the decision table ----------------------------------------------------

enum class TReply { None, Error, Same, Newer };

struct TDecisionRow {
    const char* Name;
    bool Product;
    TReply Reply;
    bool ShowInfo;
    const char* Shown;  // the line the window module prints; empty: nothing shown
    bool Rescheduled;
};

void PrintTo(const TDecisionRow& row, std::ostream* out) {
    *out << row.Name;
}

class DecisionTableTest : public CheckRunTest,
                          public ::testing::WithParamInterface<TDecisionRow> {};

TEST_P(DecisionTableTest, ShowsSavesAndAsksAsTheTableSays) {
    const TDecisionRow& row = GetParam();
    const TDateTime oldNext = EncodeDate(2025, 1, 1);
    StoreState(StatusDownloaded, kPendingDownload, ModeWeekly, oldNext);
    if (row.Product)
        InstallEdition0();
    if (row.Reply == TReply::Error)
        OfferError("Project is closed for maintenance");
    else if (row.Reply == TReply::Same)
        Offer(kInstalled);
    else if (row.Reply == TReply::Newer)
        Offer(kInstalled + 1);

    const TRun run = RunVantrel(row.ShowInfo ? std::vector<std::string>{"/showinfo"}
                                             : std::vector<std::string>{});
    EXPECT_EQ(run.Status, 0) << run.Err;
    if (*row.Shown == '\0') {
        EXPECT_EQ(run.Err, "");
    } else {
        EXPECT_NE(run.Err.find(row.Shown), std::string::npos) << run.Err;
    }

    const std::vector<std::string> requests = Requests();
    if (row.Product) {
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_NE(requests[0].find(QueryFor(kInstalled)), std::string::npos) << requests[0];
    } else {
        EXPECT_TRUE(requests.empty());
    }

    const std::optional<TStored> stored = Stored();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Status, StatusDownloaded);
    EXPECT_EQ(stored->Mode, ModeWeekly);
    if (row.Rescheduled) {
        EXPECT_EQ(stored->Next, EncodeDate(2025, 2, 6));
        EXPECT_EQ(stored->DownloadingVersion, 0u);
    } else {
        EXPECT_EQ(stored->Next, oldNext);
        EXPECT_EQ(stored->DownloadingVersion, kPendingDownload);
    }
    EXPECT_TRUE(Store().ReadKey("Unrelated"));
}

constexpr const char* kMainShown = "the main window would have been shown (shown at start)";
constexpr const char* kMainHidden = "the main window would have been shown (hidden at start)";
constexpr const char* kErrorShown =
    "the error dialog would have been shown: ";  // followed by ErrorMessage

INSTANTIATE_TEST_SUITE_P(
    CheckRun, DecisionTableTest,
    ::testing::Values(
        TDecisionRow{"NoProduct", false, TReply::Newer, false, "", true},
        TDecisionRow{"NoProductShowInfo", false, TReply::Newer, true, "", true},
        TDecisionRow{"QueryFailed", true, TReply::Error, false, "", false},
        TDecisionRow{"QueryFailedShowInfo", true, TReply::Error, true, kErrorShown, false},
        TDecisionRow{"NothingNewer", true, TReply::Same, false, "", true},
        TDecisionRow{"NothingNewerShowInfo", true, TReply::Same, true, kMainShown, true},
        TDecisionRow{"Newer", true, TReply::Newer, false, kMainHidden, true},
        TDecisionRow{"NewerShowInfo", true, TReply::Newer, true, kMainShown, true}),
    [](const auto& test) { return std::string(test.param.Name); });

TEST_F(CheckRunTest, TheErrorDialogGetsTheServersMessage) {
    InstallEdition0();
    OfferError("Project is closed for maintenance");
    const TRun run = RunVantrel({"/SHOWINFO"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Err.find("Project is closed for maintenance"), std::string::npos) << run.Err;
}

// ---- dates ------------------------------------------------------------------

TEST_F(CheckRunTest, AMonthlyScheduleOnALeapFebruaryAddsTwentyNineDays) {
    FNow = "2024-02-10T23:59:59";
    StoreState(StatusNone, 0, ModeMonthly, 0);
    InstallEdition0();
    Offer(kInstalled);
    ASSERT_EQ(RunVantrel({}).Status, 0);
    const auto stored = Stored();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Next, EncodeDate(2024, 3, 10));
}

TEST_F(CheckRunTest, AFirstRunStoresNeverWithoutADate) {
    const TRun run = RunVantrel({"/uninstall-not-first", "/uninstall"});
    EXPECT_EQ(run.Status, 0);
    const auto stored = Stored();
    ASSERT_TRUE(stored);  // the second-position /uninstall was no switch
    EXPECT_EQ(stored->Mode, ModeNever);
    EXPECT_EQ(stored->Next, std::nullopt);
}

// ---- a second start ----------------------------------------------------------

TEST_F(CheckRunTest, ASecondStartWakesTheRunningInstanceAndEnds) {
    const auto first = StartInstance("listen");
    InstallEdition0();
    Offer(kInstalled + 1);
    const TRun second = RunVantrel({"/showinfo"});
    EXPECT_EQ(second.Status, 0);
    EXPECT_EQ(second.Err, "");  // nothing shown
    EXPECT_EQ(first->ReadLine(10000), "message 1025 0 0");
    EXPECT_FALSE(fs::exists(FConfig / "vantrel" / "user.reg"));  // nothing written
    EXPECT_TRUE(Requests().empty());                             // nothing asked
}

TEST_F(CheckRunTest, ASecondStartWhileTheFirstHasNoWindowEndsTheSameWay) {
    const auto first = StartInstance("silent");
    InstallEdition0();
    Offer(kInstalled + 1);
    const TRun second = RunVantrel({"/showinfo"});
    EXPECT_EQ(second.Status, 0);
    EXPECT_EQ(second.Err, "");
    EXPECT_FALSE(fs::exists(FConfig / "vantrel" / "user.reg"));
    EXPECT_TRUE(Requests().empty());
    // The first instance was left alone and received nothing.
    EXPECT_EQ(first->Wait(), 0);
    EXPECT_EQ(first->Out(), "ready\n");
}

TEST_F(CheckRunTest, UninstallEndsTheRunningInstanceAndDeletesTheKeyForGood) {
    StoreState(StatusDownloading, kPendingDownload, ModeDaily, EncodeDate(2025, 1, 1));
    Store().EditKey("Vantrel\\Below", [](platform::TRegKey& key) {
        key.Set("x", {platform::RegBinary, {1}});
    });
    const auto first = StartInstance("silent");
    const TRun run = RunVantrel({"/Uninstall"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(first->Wait(), 128 + SIGKILL);  // ended at once, no shutdown of its own
    EXPECT_FALSE(Stored());
    EXPECT_FALSE(Store().ReadKey("Vantrel\\Below"));
    EXPECT_TRUE(Store().ReadKey("Unrelated"));
    EXPECT_TRUE(Requests().empty());
}

TEST_F(CheckRunTest, UninstallAloneDeletesTheKeyAndWritesNothing) {
    StoreState(StatusNone, 0, ModeDaily, EncodeDate(2025, 1, 1));
    InstallEdition0();
    Offer(kInstalled + 1);
    EXPECT_EQ(RunVantrel({"/uninstall"}).Status, 0);
    EXPECT_FALSE(Stored());
    EXPECT_TRUE(Requests().empty());
}

// ---- failures ------------------------------------------------------------------

TEST_F(CheckRunTest, AMissingWindowModuleIsReportedAndTheStateStillSaved) {
    const fs::path bare = FRoot / "bare";
    fs::create_directories(bare);
    fs::copy_file(BinDir() / "vantrel", bare / "vantrel");
    StoreState(StatusNone, 0, ModeDaily, EncodeDate(2025, 1, 1));
    InstallEdition0();
    Offer(kInstalled + 1);
    const TRun run = RunVantrel({}, bare / "vantrel");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("cannot load the window module"), std::string::npos) << run.Err;
    const auto stored = Stored();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Next, EncodeDate(2025, 1, 31));
}

TEST_F(CheckRunTest, AnUnreachableServerIsAFailedQuery) {
    StoreState(StatusNone, 0, ModeWeekly, EncodeDate(2025, 1, 1));
    InstallEdition0();
    FServer.reset();  // nothing listens on the port any more
    const TRun run = RunVantrel({});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    const auto stored = Stored();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Next, EncodeDate(2025, 1, 1));
}

}  // namespace
}  // namespace vantrel::test
