// A package from loopback nginx into a file: the download component (run as
// vantrel-fetch) against `curl -o` of the same URL in the same run, for
// throughput and peak memory; the same for a resume of a half-downloaded
// file guarded by If-Range; and the component's peak memory for a small
// package against a large one, which should not differ.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/ChildRun.h"
#include "tests/support/NginxServer.h"
#include "tests/support/TempDir.h"
#include "window/download/ResumeRecord.h"

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

// nginx's ETag: the modification time and the size in hexadecimal.
std::string NginxETag(const fs::path& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    char tag[64];
    std::snprintf(tag, sizeof tag, "\"%lx-%lx\"", static_cast<unsigned long>(info.st_mtime),
                  static_cast<unsigned long>(info.st_size));
    return tag;
}

// The first half of the package, as a paused download leaves it.
void WriteHalf(const fs::path& package, const fs::path& out) {
    fs::remove(out);
    fs::copy_file(package, out);
    fs::resize_file(out, fs::file_size(package) / 2);
}

TRunResult FetchResume(const std::string& url, const fs::path& package, const fs::path& out) {
    WriteHalf(package, out);
    vantrel::WriteResumeRecord(out.string(), {fs::file_size(package), NginxETag(package), false});
    return RunChild(
        {(BinDir() / "vantrel-fetch").string(), url, out.string(), "--timeout", "30000"});
}

TRunResult CurlResume(const std::string& url, const fs::path& package, const fs::path& out) {
    WriteHalf(package, out);
    return RunChild({"/usr/bin/curl", "-s", "-C", "-", "-H", "If-Range: " + NginxETag(package),
                     "-o", out.string(), url});
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    constexpr std::size_t kMiB = std::size_t{1024} * 1024;
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
    double bestFetchResume = 1e9, bestCurlResume = 1e9;
    const fs::path bigFile = served / "packages" / "p512";
    for (int round = 0; round < rounds; ++round) {
        for (int which = 0; which < 2; ++which) {
            const bool fetchFirst = (round % 2 == 0) == (which == 0);
            const TRunResult r =
                fetchFirst ? FetchResume(big, bigFile, out) : CurlResume(big, bigFile, out);
            if (r.ExitCode != 0 || fs::file_size(out) != 512 * kMiB) {
                std::fprintf(stderr, "%s resume failed (exit %d)\n", fetchFirst ? "fetch" : "curl",
                             r.ExitCode);
                return 1;
            }
            double& best = fetchFirst ? bestFetchResume : bestCurlResume;
            best = std::min(best, r.Seconds);
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
    std::printf("resume of the second 256 MiB with If-Range, best of %d\n", rounds);
    std::printf("  component (vantrel-fetch): %7.1f MiB/s\n", 256 / bestFetchResume);
    std::printf("  curl -C - -H If-Range     : %7.1f MiB/s\n", 256 / bestCurlResume);
    std::printf("  throughput ratio component/curl: %.2f (goal >= 1.00)\n",
                bestCurlResume / bestFetchResume);
    std::printf(
        "component peak RSS: 64 MiB package %ld KiB, 512 MiB package %ld KiB (ratio %.2f)\n",
        small64.PeakKiB, big512.PeakKiB,
        static_cast<double>(big512.PeakKiB) / static_cast<double>(small64.PeakKiB));
    return 0;
}
