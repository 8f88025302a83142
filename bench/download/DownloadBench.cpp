// A package from loopback nginx into a file: the download component (run as
// vantrel-fetch) against `curl -o` of the same URL in the same run, for
// throughput and peak memory; and the component's peak memory for a small
// package against a large one, which should not differ.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/ChildRun.h"
#include "tests/support/NginxServer.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using vantrel::test::BinDir;
using vantrel::test::NginxServer;
using vantrel::test::TempDir;

struct TRunResult {
    double Seconds = 0;
    long PeakKiB = 0;
    int ExitCode = -1;
};

// Runs a program with its output discarded; wall time and its peak RSS.
TRunResult RunChild(const std::vector<std::string>& argv) {
    const vantrel::bench::TChildRun run = vantrel::bench::RunChild(argv);
    return {run.Seconds, run.Usage.ru_maxrss, run.ExitCode};
}

void WritePackage(const fs::path& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 131);
    }
    for (std::size_t written = 0; written < size; written += block.size()) {
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

TRunResult Fetch(const std::string& url, const fs::path& out) {
    fs::remove(out);  // a present file would be resumed
    return RunChild(
        {(BinDir() / "vantrel-fetch").string(), url, out.string(), "--timeout", "30000"});
}

TRunResult Curl(const std::string& url, const fs::path& out) {
    fs::remove(out);
    return RunChild({"/usr/bin/curl", "-s", "-o", out.string(), url});
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    constexpr std::size_t kMiB = 1024 * 1024;
    TempDir served;
    fs::create_directories(served / "packages");
    fs::create_directories(served / "replies");
    WritePackage(served / "packages" / "p64", 64 * kMiB);
    WritePackage(served / "packages" / "p512", 512 * kMiB);
    NginxServer nginx(served.path());
    TempDir work;
    const fs::path out = work / "out";
    const std::string big = nginx.URL() + "/packages/p512";
    const std::string small = nginx.URL() + "/packages/p64";

    double bestFetch = 1e9, bestCurl = 1e9;
    long fetchPeak = 0, curlPeak = 0;
    for (int round = 0; round < rounds; ++round) {
        // Alternate the order so that neither always runs on a warm cache.
        for (int which = 0; which < 2; ++which) {
            const bool fetchFirst = (round % 2 == 0) == (which == 0);
            const TRunResult r = fetchFirst ? Fetch(big, out) : Curl(big, out);
            if (r.ExitCode != 0 || fs::file_size(out) != 512 * kMiB) {
                std::fprintf(stderr, "%s failed (exit %d)\n", fetchFirst ? "fetch" : "curl",
                             r.ExitCode);
                return 1;
            }
            double& best = fetchFirst ? bestFetch : bestCurl;
            long& peak = fetchFirst ? fetchPeak : curlPeak;
            best = std::min(best, r.Seconds);
            peak = std::max(peak, r.PeakKiB);
        }
    }
    const TRunResult small64 = Fetch(small, out);
    const TRunResult big512 = Fetch(big, out);

    std::printf("512 MiB from loopback nginx, best of %d\n", rounds);
    std::printf("  component (vantrel-fetch): %7.1f MiB/s  peak RSS %6ld KiB\n", 512 / bestFetch,
                fetchPeak);
    std::printf("  curl -o                  : %7.1f MiB/s  peak RSS %6ld KiB\n", 512 / bestCurl,
                curlPeak);
    std::printf("  throughput ratio component/curl: %.2f (goal >= 0.90)\n", bestCurl / bestFetch);
    std::printf(
        "component peak RSS: 64 MiB package %ld KiB, 512 MiB package %ld KiB (ratio %.2f)\n",
        small64.PeakKiB, big512.PeakKiB,
        static_cast<double>(big512.PeakKiB) / static_cast<double>(small64.PeakKiB));
    return 0;
}
