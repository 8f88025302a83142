// What the main window adds to a package download: a 512 MiB package from a
// loopback nginx, fetched by the real TfVantrelMain (offscreen) from its
// DownloadClick until it shows the downloaded state, against the same
// download by vantrel-fetch (the component alone, as a child process) in the
// same run. Reported per run: wall time, CPU time (getrusage for the window,
// which runs in this process; wait4's rusage for vantrel-fetch) and the
// downloading-data progress events handled per second.
//
//   main_window_download_bench [--benchmark_repetitions=N (default 5)] [other flags]
//
// The window's time starts at DownloadClick: its construction is not part of
// the download. vantrel-fetch's time includes its process start and the
// JSON line it prints per event; both are small against 512 MiB but favour
// the window, so the ratio errs on its side by a few milliseconds.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/ChildRun.h"
#include "bench/support/MedianReporter.h"
#include "core/ProductVersion.h"
#include "core/UpdateState.h"
#include "core/iProcs.h"
#include "frontend/qt/controller/Main.h"
#include "frontend/qt/download/IEDownload.h"
#include "platform/InternetState.h"
#include "tests/support/NginxServer.h"
#include "tests/support/TempDir.h"
#include "window/controller/PackageNames.h"
#include "window/controller/PackageTransfer.h"

namespace {

namespace fs = std::filesystem;
using namespace vantrel;
using Clock = std::chrono::steady_clock;

constexpr std::uintmax_t kPackageSize = 512ull * 1024 * 1024;
constexpr std::uint32_t kStatusDownloadingData = 5;
constexpr auto kDeadline = std::chrono::seconds(300);

struct TSample {
    double Seconds = 0;
    double CpuSeconds = 0;
    std::uint64_t Events = 0;  // progress events with status 5
};

// Filled by main before the benchmarks run.
struct TSetting {
    std::string PackageURL;  // what vantrel-fetch is given
    fs::path CacheDir;       // the window's temporary directory
    fs::path FetchOut;       // vantrel-fetch's file
    fs::path FetchEvents;    // vantrel-fetch's JSON lines
};
TSetting Setting;
std::map<std::string, std::vector<TSample>> Samples;

double SelfCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return vantrel::bench::CpuSecondsOf(usage);
}

// The offered version the window downloads, every run a fresh download.
void OfferPackage() {
    UpdateState.Status = StatusNone;
    UpdateState.DownloadingVersion = 0;
    UpdateState.Mode = ModeDaily;
    std::error_code ignored;
    fs::remove_all(Setting.CacheDir, ignored);
}

// Waits on the event loop until the window shows the downloaded state and
// its transfer has reported its end.
bool AwaitDownloaded(const TfVantrelMain& window) {
    QTimer wake;  // a wake-up now and then, so the deadline is seen
    wake.start(100);
    const auto deadline = Clock::now() + kDeadline;
    while (!(UpdateState.Status == StatusDownloaded && window.TransferIdle())) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

std::uintmax_t SizeOf(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

void BM_MainWindowDownload(benchmark::State& state) {
    for ([[maybe_unused]] auto _ : state) {
        OfferPackage();
        TfVantrelMain window;
        std::uint64_t events = 0;
        const TOnProgressEvent handler = window.IEDownload->OnProgress;
        window.IEDownload->OnProgress =
            [&](TBSCB* sender, std::uint32_t progress, std::uint32_t max, std::uint32_t status,
                const std::string& text, const std::string& elapsed, const std::string& speed,
                const std::string& estimated) {
                events += status == kStatusDownloadingData;
                handler(sender, progress, max, status, text, elapsed, speed, estimated);
            };
        window.show();
        QCoreApplication::processEvents();

        const double cpuBefore = SelfCpuSeconds();
        const auto start = Clock::now();
        window.Controller().DownloadClick();
        const bool done = AwaitDownloaded(window);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = SelfCpuSeconds() - cpuBefore;

        const std::uintmax_t size = SizeOf(TemporaryPackageFile(window.TempDir()));
        if (!done || size != kPackageSize) {
            state.SkipWithError(
                ("window did not finish the download (" + std::to_string(size) + " bytes)")
                    .c_str());
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["cpu_s"] = cpu;
        state.counters["events_per_s"] = static_cast<double>(events) / seconds;
        Samples["window"].push_back({seconds, cpu, events});
    }
}
BENCHMARK(BM_MainWindowDownload)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The component alone in this process, configured as the window configures
// it: separates what the window's handlers cost from what running in this
// process rather than in a fresh one changes.
void BM_ComponentInProcess(benchmark::State& state) {
    for ([[maybe_unused]] auto _ : state) {
        OfferPackage();
        fs::create_directories(Setting.CacheDir);
        const std::string file = TemporaryPackageFile(Setting.CacheDir.string() + "/");
        TQtIEDownload download;
        ConfigurePackageDownload(download);
        std::uint64_t events = 0;
        download.OnProgress = [&events](TBSCB*, std::uint32_t, std::uint32_t, std::uint32_t status,
                                        const std::string&, const std::string&, const std::string&,
                                        const std::string&) {
            events += status == kStatusDownloadingData;
        };
        const double cpuBefore = SelfCpuSeconds();
        const auto start = Clock::now();
        download.Download(Setting.PackageURL, file);
        QTimer wake;
        wake.start(100);
        const auto deadline = start + kDeadline;
        while (download.RequestCount() != 0 && Clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = SelfCpuSeconds() - cpuBefore;
        if (SizeOf(file) != kPackageSize) {
            state.SkipWithError("the component did not finish the download");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["cpu_s"] = cpu;
        state.counters["events_per_s"] = static_cast<double>(events) / seconds;
        Samples["component"].push_back({seconds, cpu, events});
    }
}
BENCHMARK(BM_ComponentInProcess)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The progress events with status 5 among vantrel-fetch's JSON lines.
std::uint64_t CountDownloadingEvents(const fs::path& lines) {
    std::ifstream in(lines);
    std::uint64_t events = 0;
    for (std::string line; std::getline(in, line);) {
        events += line.find("\"event\":\"progress\"") != std::string::npos &&
                  line.find("\"status\":5,") != std::string::npos;
    }
    return events;
}

struct TFetchRun {
    double Seconds = 0;
    double CpuSeconds = 0;
    int ExitCode = -1;
};

TFetchRun RunFetch() {
    std::error_code ignored;
    fs::remove(Setting.FetchOut, ignored);  // a file there would be resumed
    const std::string program = (vantrel::test::BinDir() / "vantrel-fetch").string();
    const vantrel::bench::TChildRun run = vantrel::bench::RunChild(
        {program, Setting.PackageURL, Setting.FetchOut.string(), "--timeout", "5000"},
        Setting.FetchEvents.string());
    return {run.Seconds, vantrel::bench::CpuSecondsOf(run.Usage), run.ExitCode};
}

void BM_FetchToolDownload(benchmark::State& state) {
    for ([[maybe_unused]] auto _ : state) {
        const TFetchRun run = RunFetch();
        const std::uintmax_t size = SizeOf(Setting.FetchOut);
        if (run.ExitCode != 0 || size != kPackageSize) {
            state.SkipWithError(("vantrel-fetch failed (exit " + std::to_string(run.ExitCode) +
                                 ", " + std::to_string(size) + " bytes)")
                                    .c_str());
            return;
        }
        const std::uint64_t events = CountDownloadingEvents(Setting.FetchEvents);
        state.SetIterationTime(run.Seconds);
        state.counters["cpu_s"] = run.CpuSeconds;
        state.counters["events_per_s"] = static_cast<double>(events) / run.Seconds;
        Samples["fetch"].push_back({run.Seconds, run.CpuSeconds, events});
    }
}
BENCHMARK(BM_FetchToolDownload)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

double Median(std::vector<double> values) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Median and best of one side's runs.
struct TSummary {
    double Wall = -1, BestWall = -1, Cpu = -1, BestCpu = -1, Events = -1, Rate = -1;
};

TSummary Summarise(const std::vector<TSample>& samples) {
    std::vector<double> wall, cpu, events, rate;
    for (const TSample& s : samples) {
        wall.push_back(s.Seconds);
        cpu.push_back(s.CpuSeconds);
        events.push_back(static_cast<double>(s.Events));
        rate.push_back(static_cast<double>(s.Events) / s.Seconds);
    }
    if (samples.empty())
        return {};
    return {Median(wall),   *std::min_element(wall.begin(), wall.end()),
            Median(cpu),    *std::min_element(cpu.begin(), cpu.end()),
            Median(events), Median(rate)};
}

void PrintSide(const char* name, const TSummary& s) {
    std::printf(
        "  %-26s %7.3f s wall (best %7.3f)  %7.3f s CPU (best %7.3f)  %6.0f events, "
        "%5.1f/s\n",
        name, s.Wall, s.BestWall, s.Cpu, s.BestCpu, s.Events, s.Rate);
}

void PrintRatios() {
    const TSummary window = Summarise(Samples["window"]);
    const TSummary fetch = Summarise(Samples["fetch"]);
    const TSummary component = Summarise(Samples["component"]);
    std::printf("\n512 MiB from loopback nginx: medians of %zu, %zu and %zu runs\n",
                Samples["window"].size(), Samples["fetch"].size(), Samples["component"].size());
    PrintSide("main window (DownloadClick)", window);
    PrintSide("vantrel-fetch (child)", fetch);
    PrintSide("component in this process", component);
    if (window.Wall <= 0 || fetch.Wall <= 0) {
        std::printf("no ratio: a side did not complete\n");
        return;
    }
    std::printf("  window/fetch: time %.3f (best %.3f; goal < 1.10), CPU %.3f (best %.3f)\n",
                window.Wall / fetch.Wall, window.BestWall / fetch.BestWall, window.Cpu / fetch.Cpu,
                window.BestCpu / fetch.BestCpu);
    if (component.Wall > 0)
        std::printf("  window/component in this process: time %.3f, CPU %.3f\n",
                    window.Wall / component.Wall, window.Cpu / component.Cpu);
}

// A private home for the window: its store, its cache (the package) and its
// runtime directory, so that nothing of the user's is read or written.
void UseScratchHome(const fs::path& home) {
    for (const char* dir : {"config", "cache", "runtime"})
        fs::create_directories(home / dir);
    fs::permissions(home / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
}

// A sparse package: nginx sends zeros without reading a disk.
void MakePackage(const fs::path& served) {
    fs::create_directories(served / "packages");
    fs::create_directories(served / "replies");
    std::ofstream(served / "packages" / "p512", std::ios::binary).close();
    fs::resize_file(served / "packages" / "p512", kPackageSize);
}

void OfferFrom(const std::string& serverURL) {
    ProjectInfo.ProductTitle = "Orbisk 4 for Outlook";
    ProjectInfo.DownloadURL = serverURL + "/packages";
    ProjectID = "Orbisk4Outlook";
    InstalledProduct = {true, PackVersion(4, 0, 0, 1), "Orbisk4.dll"};
    AvailableProduct = {true, PackVersion(4, 0, 0, 2), "p512"};
    setenv("VANTREL_SERVER", serverURL.c_str(), 1);  // where the completion notice goes
}

// Five runs of each side, interleaved so that neither always follows the
// other's writes, unless the command line says otherwise.
std::vector<char*> WithDefaultRepetitions(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> args(argv, argv + argc);
    const auto given = [&](const char* flag) {
        return std::any_of(args.begin(), args.end(), [flag](const char* arg) {
            return std::string(arg).rfind(flag, 0) == 0;
        });
    };
    if (!given("--benchmark_repetitions"))
        args.push_back(repetitions);
    if (!given("--benchmark_enable_random_interleaving"))
        args.push_back(interleaving);
    args.push_back(nullptr);
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    vantrel::test::TempDir scratch;
    UseScratchHome(scratch / "home");
    MakePackage(scratch / "served");
    try {
        vantrel::test::NginxServer nginx(scratch / "served");
        OfferFrom(nginx.URL());
        Setting = {nginx.URL() + "/packages/p512", scratch / "home" / "cache" / "vantrel",
                   scratch / "fetch.out", scratch / "fetch.jsonl"};
        platform::SetInternetConnectedOverride(true);

        QApplication app(argc, argv);
        std::vector<char*> args = WithDefaultRepetitions(argc, argv);
        int count = static_cast<int>(args.size()) - 1;
        benchmark::Initialize(&count, args.data());
        if (benchmark::ReportUnrecognizedArguments(count, args.data()))
            return 1;
        vantrel::bench::TMedianReporter reporter(isatty(STDOUT_FILENO)
                                                     ? benchmark::ConsoleReporter::OO_Defaults
                                                     : benchmark::ConsoleReporter::OO_Tabular);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        PrintRatios();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "main_window_download_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
