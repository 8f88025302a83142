// Loading and saving a registry store of 10k, 40k, 160k and 250k values
// (the last one near the 4 MiB cap), against reading and atomically
// writing the same bytes with plain file I/O in the same run. Time per
// value that stays flat from one size to the next means linear time. The
// ratios and the per-value times are printed at the end of the run.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace {

namespace fs = std::filesystem;
using vantrel::platform::TRegistryStore;

const int kSizes[] = {10000, 40000, 160000, 250000};

fs::path BenchDir() {
    static const fs::path dir = [] {
        fs::path made =
            fs::temp_directory_path() / ("registry-store-bench-" + std::to_string(getpid()));
        fs::create_directories(made / "vantrel");
        return made;
    }();
    return dir;
}

// A store of `values` short values in one other key, plus ours.
fs::path StoreOf(int values) {
    fs::path file = BenchDir() / "vantrel" / ("user-" + std::to_string(values) + ".reg");
    if (fs::exists(file))
        return file;
    std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Other]\n";
    char line[64];
    for (int i = 0; i < values; ++i) {
        std::snprintf(line, sizeof line, "\"v%x\"=hex:%02x\n", i, i & 0xFF);
        text += line;
    }
    text += "\n[HKEY_CURRENT_USER\\Vantrel]\n\"Update Mode\"=hex:02\n";
    FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    return file;
}

std::string ReadWhole(const fs::path& file) {
    std::string text;
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    char buffer[65536];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    close(fd);
    return text;
}

void StoreLoad(benchmark::State& state) {
    const TRegistryStore store(StoreOf(static_cast<int>(state.range(0))));
    for ([[maybe_unused]] auto _ : state)
        benchmark::DoNotOptimize(store.ReadKey("Vantrel"));
}

void PlainRead(benchmark::State& state) {
    const fs::path file = StoreOf(static_cast<int>(state.range(0)));
    for ([[maybe_unused]] auto _ : state)
        benchmark::DoNotOptimize(ReadWhole(file));
}

// A save that changes our key, so the store is really written each time.
void StoreSave(benchmark::State& state) {
    TRegistryStore store(StoreOf(static_cast<int>(state.range(0))));
    std::uint8_t mode = 0;
    for ([[maybe_unused]] auto _ : state) {
        store.EditKey("Vantrel", [&](vantrel::platform::TRegKey& key) {
            key.Set("Update Mode", {vantrel::platform::RegBinary, {++mode}});
        });
    }
}

// The same bytes written as the store writes them: temporary file, fsync,
// rename.
void PlainWrite(benchmark::State& state) {
    const fs::path file = StoreOf(static_cast<int>(state.range(0)));
    const std::string text = ReadWhole(file);
    const fs::path copy = file.string() + ".copy";
    for ([[maybe_unused]] auto _ : state) {
        const fs::path temporary = copy.string() + ".tmp";
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        benchmark::DoNotOptimize(write(fd, text.data(), text.size()));
        fsync(fd);
        close(fd);
        fs::rename(temporary, copy);
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (const int size : kSizes)
        b->Arg(size);
    b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(false);
}

BENCHMARK(StoreLoad)->Apply(Sizes);
BENCHMARK(PlainRead)->Apply(Sizes);
BENCHMARK(StoreSave)->Apply(Sizes);
BENCHMARK(PlainWrite)->Apply(Sizes);

// Keeps the median wall time of each benchmark and size: a save waits for
// its fsync, which CPU time would leave out.
class TSizeMedians : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                FSamples[run.run_name.function_name + "/" + run.run_name.args].push_back(
                    run.GetAdjustedRealTime());
    }
    double Median(const std::string& name) const {
        const auto found = FSamples.find(name);
        if (found == FSamples.end())
            return -1;
        std::vector<double> samples = found->second;
        std::sort(samples.begin(), samples.end());
        return samples[samples.size() / 2];
    }

private:
    std::map<std::string, std::vector<double>> FSamples;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TSizeMedians reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\n%8s %10s %10s %12s %10s %10s %12s %14s\n", "values", "load ms", "read ms",
                "load/read", "save ms", "write ms", "save/write", "load+save us/value");
    for (const int size : kSizes) {
        const std::string arg = "/" + std::to_string(size);
        const double load = reporter.Median("StoreLoad" + arg);
        const double read = reporter.Median("PlainRead" + arg);
        const double save = reporter.Median("StoreSave" + arg);
        const double write = reporter.Median("PlainWrite" + arg);
        if (load < 0 || read < 0 || save < 0 || write < 0)
            continue;
        std::printf("%8d %10.2f %10.2f %12.1f %10.2f %10.2f %12.1f %14.3f\n", size, load, read,
                    load / read, save, write, save / write, (load + save) * 1000 / size);
    }
    fs::remove_all(BenchDir());
    return 0;
}
