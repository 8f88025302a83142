#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core/Dates.h"
#include "core/UpdateModes.h"
#include "core/UpdateState.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"
#include "platform/RegistryStore.h"
#include "tests/support/TempDir.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every test has its own store and its own clock: on Linux a user.reg under
// its own XDG_CONFIG_HOME, on Windows the keys of the test's Wine prefix,
// emptied before and after.
class UpdateStateTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        RemoveTestKeys();
#else
        setenv("XDG_CONFIG_HOME", FDir.path().c_str(), 1);
#endif
        RegistryPath.clear();
        ResetUpdateState();
    }
    void TearDown() override {
#ifdef _WIN32
        RemoveTestKeys();
#else
        unsetenv("XDG_CONFIG_HOME");
#endif
        SetNowOverride(std::nullopt);
    }

#ifdef _WIN32
    static void RemoveTestKeys() {
        for (const char* key : {"Vantrel", "Other"})
            Store().DeleteKeyTree(key);
    }
    static platform::TRegistryStore Store() {
        return platform::TRegistryStore::ForCurrentUser();
    }
#else
    platform::TRegistryStore Store() const {
        return platform::TRegistryStore(StoreFile());
    }
#endif

    std::filesystem::path StoreFile() const {
        return FDir / "vantrel" / "user.reg";
    }

    // The values, in the store file's notation, as the store's only key.
    // False where the platform's store cannot hold them: the registry keeps
    // typed values, never text that does not parse.
    bool WriteStore(const std::string& values) {
        const std::string text =
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Vantrel]\n" + values;
#ifdef _WIN32
        platform::TRegistryFile parsed;
        try {
            parsed = platform::ParseRegistryText(text);
        } catch (const platform::RegistryError&) {
            return false;
        }
        Store().DeleteKeyTree("Vantrel");
        Store().EditKey("Vantrel",
                        [&](platform::TRegKey& key) { key = *parsed.FindKey("Vantrel"); });
#else
        std::filesystem::create_directories(StoreFile().parent_path());
        test::WriteFile(StoreFile(), text);
#endif
        return true;
    }

    std::optional<platform::TRegKey> StoredKey() const {
        return Store().ReadKey("Vantrel");
    }

    static Bytes DateBytes(TDateTime value) {
        Bytes bytes(8);
        std::memcpy(bytes.data(), &value, 8);
        return bytes;
    }

    test::TempDir FDir;
};

TEST_F(UpdateStateTest, NoKeyGivesTheDefaultsAndResetsTheLanguage) {
    UpdateState = TUpdateState{2, 7, 3, 100.0};
    Language = u"Deutsch";
    LoadUpdateState();
    EXPECT_EQ(UpdateState.Status, 0);
    EXPECT_EQ(UpdateState.DownloadingVersion, 0u);
    EXPECT_EQ(UpdateState.Mode, ModeNever);
    EXPECT_EQ(UpdateState.NextScheduledUpdate, 0.0);
    EXPECT_EQ(Language, u"English");
}

TEST_F(UpdateStateTest, StoredValuesAreReadAndShortOnesFillTheFirstBytes) {
    WriteStore(
        "\"Update Status\"=hex:01\n"
        "\"Downloading Version\"=hex:03,02\n"
        "\"Update Mode\"=hex(b):02\n"  // a type other than text or number: raw bytes
        "\"Next Scheduled Update\"=hex:00,00,00,00,00,c0,e6,40\n");
    LoadUpdateState();
    EXPECT_EQ(UpdateState.Status, StatusDownloading);
    EXPECT_EQ(UpdateState.DownloadingVersion, 0x0203u);
    EXPECT_EQ(UpdateState.Mode, ModeWeekly);
    EXPECT_EQ(UpdateState.NextScheduledUpdate, 46592.0);
}

TEST_F(UpdateStateTest, ADamagedKeyGivesTheWholeDefaultStateNeverAMix) {
    const char* damaged[] = {
        "\"Update Status\"=hex:01\n\"Update Mode\"=hex:02,00,00,00\n",         // too long
        "\"Update Status\"=hex:01\n\"Update Mode\"=dword:00000002\n",          // number type
        "\"Update Status\"=\"1\"\n",                                           // string type
        "\"Downloading Version\"=hex(2):41,00\n",                              // expandable string
        "\"Update Status\"=hex:01\n\"Next Scheduled Update\"=hex:00,00,00\n",  // not 8 bytes
        "\"Update Status\"=hex:01\n\"Next Scheduled Update\"=hex(b):00,00,00,00,00,00,00,00\n",
        "\"Update Status\"=hex:01\n\"Update Mode\"=hex:zz\n",  // the store does not parse
    };
    for (const char* values : damaged) {
        SCOPED_TRACE(values);
        if (!WriteStore(values))
            continue;
        UpdateState = TUpdateState{2, 7, 3, 100.0};
        LoadUpdateState();
        EXPECT_EQ(UpdateState.Status, 0);
        EXPECT_EQ(UpdateState.DownloadingVersion, 0u);
        EXPECT_EQ(UpdateState.Mode, 0);
        EXPECT_EQ(UpdateState.NextScheduledUpdate, 0.0);
    }
}

TEST_F(UpdateStateTest, ReschedulingCountsFromTodayByMode) {
    struct TCase {
        std::uint8_t Mode;
        TDateTime Now;
        TDateTime Expected;
    };
    const TCase cases[] = {
        {ModeWeekly, EncodeDate(2025, 1, 30) + 0.75, EncodeDate(2025, 2, 6)},
        {ModeMonthly, EncodeDate(2024, 2, 10) + 0.5, EncodeDate(2024, 3, 10)},  // 29 days
        {ModeMonthly, EncodeDate(2023, 2, 10), EncodeDate(2023, 3, 10)},        // 28 days
        {ModeMonthly, EncodeDate(2025, 1, 31) + 0.99, EncodeDate(2025, 3, 3)},  // 31 days
        {ModeDaily, EncodeDate(2025, 12, 31) + 0.1, EncodeDate(2026, 1, 1)},
        {ModeNever, EncodeDate(2025, 1, 1), 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Now);
        SetNowOverride(c.Now);
        UpdateState = TUpdateState{StatusNone, 0, c.Mode, 12345.0};
        ScheduleNextUpdate();
        EXPECT_EQ(UpdateState.NextScheduledUpdate, c.Expected);
    }
    // An unknown mode keeps its date.
    UpdateState = TUpdateState{StatusNone, 0, 9, 12345.0};
    ScheduleNextUpdate();
    EXPECT_EQ(UpdateState.NextScheduledUpdate, 12345.0);
}

// The table's row order is the stored number: a row moved or left out would
// turn every stored choice into another mode.
TEST(UpdateModes, EachStoredNumberNamesItsModeAndNoOtherNumberNamesOne) {
    struct TCase {
        int Number;
        std::optional<TUpdateMode> Mode;
        std::string_view ListText;
    };
    const TCase cases[] = {
        {0, ModeNever, "Never"},     {1, ModeDaily, "Daily"}, {2, ModeWeekly, "Weekly"},
        {3, ModeMonthly, "Monthly"}, {4, std::nullopt, ""},   {255, std::nullopt, ""},
        {-1, std::nullopt, ""},  // no item chosen in the list
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Number);
        EXPECT_EQ(UpdateModeFromNumber(c.Number), c.Mode);
        if (c.Mode) {
            EXPECT_EQ(UpdateModeRow(*c.Mode).ListText, c.ListText);
        }
    }
}

TEST_F(UpdateStateTest, SavingWritesTheFieldsAndDropsTheDateWhenNever) {
    SetNowOverride(EncodeDate(2025, 1, 30) + 0.5);
    UpdateState = TUpdateState{StatusDownloading, 0x04010203, ModeWeekly, 0};
    SaveUpdateState(true);
    auto key = StoredKey();
    ASSERT_TRUE(key);
    EXPECT_EQ(*key->Find("Update Status"), (platform::TRegValue{platform::RegBinary, {1}}));
    EXPECT_EQ(key->Find("Downloading Version")->Data, (Bytes{3, 2, 1, 4}));
    EXPECT_EQ(key->Find("Update Mode")->Data, (Bytes{2}));
    EXPECT_EQ(key->Find("Next Scheduled Update")->Data, DateBytes(EncodeDate(2025, 2, 6)));

    UpdateState.Mode = ModeNever;
    SaveUpdateState(true);
    key = StoredKey();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->Find("Next Scheduled Update"), nullptr);
    EXPECT_EQ(key->Find("Update Mode")->Data, (Bytes{0}));
}

TEST_F(UpdateStateTest, TheDownloadingVersionIsDroppedOnlyWhenRescheduledWithoutADownload) {
    SetNowOverride(EncodeDate(2025, 3, 1));
    UpdateState = TUpdateState{StatusDownloaded, 0x04000002, ModeDaily, 777.0};
    SaveUpdateState(false);
    LoadUpdateState();
    EXPECT_EQ(UpdateState.DownloadingVersion, 0x04000002u);
    EXPECT_EQ(UpdateState.NextScheduledUpdate, 777.0);  // a failed query keeps the old date

    SaveUpdateState(true);
    LoadUpdateState();
    EXPECT_EQ(UpdateState.Status, StatusDownloaded);
    EXPECT_EQ(UpdateState.DownloadingVersion, 0u);
    EXPECT_EQ(UpdateState.NextScheduledUpdate, EncodeDate(2025, 3, 2));
}

TEST_F(UpdateStateTest, SaveAndDeleteKeepOtherKeysAndDeleteRemovesTheWholeTree) {
    platform::TRegistryStore store = Store();
    store.EditKey("Other", [](platform::TRegKey& key) {
        key.Set("x", {platform::RegBinary, {1}});
    });
    store.EditKey("Vantrel\\Sub", [](platform::TRegKey& key) {
        key.Set("y", {platform::RegBinary, {2}});
    });
    SaveUpdateState(true);
    ASSERT_TRUE(StoredKey());
    DeleteUpdateState();
    EXPECT_FALSE(StoredKey());
    EXPECT_FALSE(store.ReadKey("Vantrel\\Sub"));
    EXPECT_TRUE(store.ReadKey("Other"));
}

#ifndef _WIN32
// Only a file can be damaged: the registry keeps itself whole.
TEST_F(UpdateStateTest, ASaveRepairsADamagedStoreKeepingItAsideAndSaysSoOnce) {
    WriteStore("\"Update Mode\"=hex:zz\n");
    const Bytes before = test::ReadFile(StoreFile());
    LoadUpdateState();
    UpdateState.Mode = ModeDaily;
    for (int save = 0; save < 2; ++save) {
        ::testing::internal::CaptureStderr();
        SaveUpdateState(true);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find("kept as") != std::string::npos, save == 0) << said;
    }
    std::vector<Bytes> kept;
    for (const auto& entry : std::filesystem::directory_iterator(StoreFile().parent_path()))
        if (entry.path().filename().string().starts_with("user.reg.damaged-"))
            kept.push_back(test::ReadFile(entry.path()));
    EXPECT_EQ(kept, std::vector<Bytes>{before});
    LoadUpdateState();
    EXPECT_EQ(UpdateState.Mode, ModeDaily);
}
#endif

TEST(Dates, CalendarArithmetic) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(DecodeDate(EncodeDate(2024, 2, 29) + 0.9), (TDate{2024, 2, 29}));
    EXPECT_EQ(DaysInMonth(2024, 2), 29u);
    EXPECT_EQ(DaysInMonth(2100, 2), 28u);
    EXPECT_EQ(DaysInMonth(2000, 2), 29u);
    EXPECT_EQ(DaysInMonth(2025, 4), 30u);
    EXPECT_EQ(ParseDateTimeText("2024-02-10"), EncodeDate(2024, 2, 10));
    EXPECT_EQ(ParseDateTimeText("2024-02-10T12:00:00"), EncodeDate(2024, 2, 10) + 0.5);
    for (const char* bad : {"2023-02-29", "2024-13-01", "2024-02-10T24:00:00", "2024-2-10",
                            "2024-02-10 ", "yesterday", ""})
        EXPECT_FALSE(ParseDateTimeText(bad)) << bad;
}

}  // namespace
}  // namespace vantrel
