// Kill trials: the program is killed with SIGKILL at random moments, during
// saves of its state and during a package download, and must lose nothing.
// VANTREL_KILL_TRIALS sets the number of kills of each kind (10 in the
// suite, 100 for a full trial). The counts are printed.
#include <random>
#include <thread>

#include "tests/e2e/CheckRunFixture.h"

namespace vantrel::test {
namespace {

int TrialCount() {
    const char* value = std::getenv("VANTREL_KILL_TRIALS");
    const int count = value != nullptr ? std::atoi(value) : 0;
    return count > 0 ? count : 10;
}

class KillTrialTest : public CheckRunTest {
protected:
    void SetUp() override {
        // Slow enough that every kill lands while bytes are still coming.
        setenv("VANTREL_NGINX_LIMIT_RATE", "256k", 1);
        CheckRunTest::SetUp();
        unsetenv("VANTREL_NGINX_LIMIT_RATE");
    }

    int RandomMs(int low, int high) { return std::uniform_int_distribution(low, high)(FRandom); }

    std::mt19937 FRandom{std::random_device{}()};
};

TEST_F(KillTrialTest, KillsDuringSavesLeaveTheOldOrTheNewState) {
    // Other keys' values make each save a realistic few milliseconds.
    Store().EditKey("Unrelated", [](platform::TRegKey& key) {
        for (int i = 0; i < 2000; ++i)
            key.Set("Value " + std::to_string(i), {platform::RegBinary, {1, 2, 3, 4}});
    });
    // Step 0 of the churn's sequence, so that a kill before its first save
    // still finds an old state (a slow start, under a sanitizer, can take
    // longer than the wait before the kill).
    StoreState(0, 0, 1, 0);
    const std::size_t unrelated = Store().ReadKey("Unrelated")->Values.size();
    const int trials = TrialCount();
    int kills = 0, lost = 0, mixed = 0, backwards = 0, resumed = 0;
    std::uint32_t last = 0;
    for (int trial = 0; trial < trials; ++trial) {
        TChildProcess churn(BinDir() / "vantrel_store_churn", {}, Environment(), FWork);
        const std::optional<std::string> ready = churn.ReadLine(20000);
        resumed += ready == "ready " + std::to_string(last) ? 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(RandomMs(1, 100)));
        kill(churn.Pid(), SIGKILL);
        kills += churn.Wait() == 128 + SIGKILL ? 1 : 0;
        std::optional<platform::TRegKey> key;
        try {
            key = Store().ReadKey("Vantrel");
        } catch (const platform::RegistryError&) {
        }
        const std::optional<platform::TRegKey> other = Store().ReadKey("Unrelated");
        if (!key || !other || other->Values.size() != unrelated) {
            ++lost;
            continue;
        }
        const auto stored = Stored();
        const std::uint32_t step = stored->DownloadingVersion;
        if (stored->Status != step % 3 || stored->Mode != 1 + step % 3 || stored->Next != step)
            ++mixed;
        if (step < last)
            ++backwards;
        last = step;
    }
    std::printf(
        "save trials: %d kills, %d starts resumed the last state, %d stores lost, "
        "%d mixed, %d went back; %u saves in all\n",
        kills, resumed, lost, mixed, backwards, last);
    EXPECT_EQ(kills, trials);
    EXPECT_EQ(resumed, trials);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(backwards, 0);
    EXPECT_GT(last, 0u);
}

TEST_F(KillTrialTest, KillsDuringADownloadEndInTheExactPackage) {
    std::vector<std::uint8_t> package(48 << 20);
    std::independent_bits_engine<std::mt19937, 8, unsigned> bytes(FRandom());
    std::generate(package.begin(), package.end(), [&] { return bytes(); });
    WriteFile(FServed / "packages" / "Orbisk4OutlookSetup.exe", package);
    InstallEdition0();
    Offer(kInstalled + 1);
    StoreState(StatusDownloading, kInstalled + 1, ModeWeekly, EncodeDate(2025, 1, 1));
    const fs::path partial = FCache / "vantrel" / "Orbisk4OutlookSetup.exe.tmp";
    std::vector<std::string> environment = Environment();
    environment.push_back("QT_QPA_PLATFORM=offscreen");

    const int trials = TrialCount();
    int kills = 0, lost = 0, corrupt = 0, shrunk = 0, grew = 0;
    std::uintmax_t lastSize = 0;
    for (int trial = 0; trial < trials; ++trial) {
        TChildProcess run(BinDir() / "vantrel", {}, environment, FWork);
        std::this_thread::sleep_for(std::chrono::milliseconds(RandomMs(200, 1200)));
        kill(run.Pid(), SIGKILL);
        kills += run.Wait() == 128 + SIGKILL ? 1 : 0;
        std::optional<TStored> stored;
        try {
            stored = Stored();
        } catch (const platform::RegistryError&) {
        }
        if (!stored || stored->Status != StatusDownloading ||
            stored->DownloadingVersion != kInstalled + 1)
            ++lost;
        std::error_code error;
        const std::uintmax_t size = fs::file_size(partial, error);
        if (error)
            continue;  // killed before the transfer began
        const std::vector<std::uint8_t> got = ReadFile(partial);
        if (got.size() > package.size() || !std::equal(got.begin(), got.end(), package.begin()))
            ++corrupt;
        shrunk += size < lastSize ? 1 : 0;
        grew += size > lastSize ? 1 : 0;
        lastSize = size;
    }
    // The last start, from a server without the limit, runs to the end.
    FServer = std::make_unique<NginxServer>(FServed);
    FServerURL = FServer->URL();
    Offer(kInstalled + 1);
    environment = Environment();
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    TChildProcess last(BinDir() / "vantrel", {}, environment, FWork);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        const auto stored = Stored();
        if (stored && stored->Status == StatusDownloaded)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const bool exact = ReadFile(partial) == package;
    if (!exact) {
        kill(last.Pid(), SIGKILL);
        last.Wait();
        ADD_FAILURE() << "after the last start: " << ReadFile(partial).size() << " of "
                      << package.size() << " bytes; its output: " << last.Err()
                      << "; the server's log: " << Text(ReadFile(FServer->AccessLog()))
                      << Text(ReadFile(FServer->ErrorLog()));
    }
    std::printf(
        "download trials: %d kills, %d while the package grew, %d stores lost, "
        "%d partial files corrupted, %d shrank; package byte-exact at the end: %s\n",
        kills, grew, lost, corrupt, shrunk, exact ? "yes" : "no");
    EXPECT_EQ(kills, trials);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(corrupt, 0);
    EXPECT_EQ(shrunk, 0);
    EXPECT_GT(grew, trials / 2);  // the kills did land during the transfer
    EXPECT_TRUE(exact);
}

}  // namespace
}  // namespace vantrel::test
