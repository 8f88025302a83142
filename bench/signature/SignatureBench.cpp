// Verifying a signed package: the client's check (this program run again as
// a child, so that its peak memory is its own) against `minisign -V` of the
// same file in the same run, for time; and the check's peak memory for a
// 64 MiB package against a 512 MiB one, which should not differ.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/ChildRun.h"
#include "signature/PackageSignature.h"
#include "tests/support/Minisign.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using vantrel::bench::TChildRun;

constexpr std::size_t kMiB = std::size_t{1024} * 1024;
const char* const kMinisign = "/usr/bin/minisign";

// The child: verifies FILE against SIG with the public key KEY; exit 0 when
// it verifies.
int VerifyChild(const char* file, const char* signature, const char* key) {
    try {
        const auto publicKey = vantrel::LoadMinisignPublicKeyFile(key);
        vantrel::VerifyPackageFile(file, vantrel::test::ReadFileText(signature), publicKey);
        return 0;
    } catch (const vantrel::TSignatureError& e) {
        std::fprintf(stderr, "not verified: %s\n", e.what());
        return 1;
    }
}

void WritePackage(const fs::path& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(kMiB);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 131 + (i >> 12));
    for (std::size_t written = 0; written < size; written += block.size())
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

struct TPackage {
    fs::path File;
    fs::path Signature;
};

TChildRun Ours(const TPackage& p, const fs::path& key) {
    return vantrel::bench::RunChild({fs::read_symlink("/proc/self/exe").string(), "--verify-child",
                                     p.File.string(), p.Signature.string(), key.string()});
}

TChildRun Minisign(const TPackage& p, const fs::path& key) {
    return vantrel::bench::RunChild({kMinisign, "-V", "-q", "-p", key.string(), "-x",
                                     p.Signature.string(), "-m", p.File.string()});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--verify-child") == 0)
        return VerifyChild(argv[2], argv[3], argv[4]);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;

    vantrel::test::TempDir dir;
    const vantrel::test::TMinisignKeys keys = vantrel::test::MakeMinisignKeys(dir.path(), "bench");
    std::vector<TPackage> packages;
    for (const std::size_t mib : {64, 512}) {
        const fs::path file = dir / ("p" + std::to_string(mib));
        WritePackage(file, mib * kMiB);
        vantrel::test::MinisignSign(keys, file, "bench");
        packages.push_back({file, file.string() + ".minisig"});
    }
    const TPackage& big = packages[1];

    double bestOurs = 1e9, bestMinisign = 1e9, cpuOurs = 1e9, cpuMinisign = 1e9;
    long oursPeak = 0, minisignPeak = 0;
    for (int round = 0; round < rounds; ++round) {
        // Alternate the order so that neither always follows the other.
        for (int which = 0; which < 2; ++which) {
            const bool oursFirst = (round % 2 == 0) == (which == 0);
            const TChildRun r =
                oursFirst ? Ours(big, keys.PublicKey) : Minisign(big, keys.PublicKey);
            if (r.ExitCode != 0) {
                std::fprintf(stderr, "%s did not verify (exit %d)\n",
                             oursFirst ? "the check" : "minisign", r.ExitCode);
                return 1;
            }
            double& best = oursFirst ? bestOurs : bestMinisign;
            double& cpu = oursFirst ? cpuOurs : cpuMinisign;
            best = std::min(best, r.Seconds);
            cpu = std::min(cpu, vantrel::bench::CpuSecondsOf(r.Usage));
            long& peak = oursFirst ? oursPeak : minisignPeak;
            peak = std::max(peak, r.Usage.ru_maxrss);
        }
    }
    const TChildRun small64 = Ours(packages[0], keys.PublicKey);
    const TChildRun big512 = Ours(big, keys.PublicKey);

    std::printf("verifying a 512 MiB package (ED, BLAKE2b-512 streamed), best of %d\n", rounds);
    std::printf("  the client's check: %6.3f s wall  %6.3f s CPU  peak RSS %6ld KiB\n", bestOurs,
                cpuOurs, oursPeak);
    std::printf("  minisign -V       : %6.3f s wall  %6.3f s CPU  peak RSS %6ld KiB\n",
                bestMinisign, cpuMinisign, minisignPeak);
    // On a loaded machine the wall time mostly measures the others' work.
    std::printf("  ratio check/minisign: wall %.2f, CPU %.2f (goal <= 1.10)\n",
                bestOurs / bestMinisign, cpuOurs / cpuMinisign);
    std::printf(
        "check peak RSS: 64 MiB package %ld KiB, 512 MiB package %ld KiB (ratio %.2f)\n",
        small64.Usage.ru_maxrss, big512.Usage.ru_maxrss,
        static_cast<double>(big512.Usage.ru_maxrss) / static_cast<double>(small64.Usage.ru_maxrss));
    return 0;
}
