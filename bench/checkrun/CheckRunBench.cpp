// A quiet check run (product found, nothing newer offered) timed as a whole
// process against curl fetching the same request from the same loopback
// nginx, alternating in one run: median wall time and peak memory of each
// and their ratios.
//
//   checkrun_bench [RUNS]      (default 40 runs of each)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/ProductVersion.h"
#include "core/UpdateState.h"
#include "platform/RegistryStore.h"
#include "protocol/ReplyWriter.h"
#include "tests/support/NginxServer.h"
#include "tests/support/TempDir.h"
#include "tools/sample/PeFixture.h"

namespace {

namespace fs = std::filesystem;

struct TSample {
    double WallMs = 0;
    long PeakKiB = 0;
};

// One process from fork to reaping; wait4 gives its own peak resident set.
TSample RunOnce(const std::vector<std::string>& command, const std::vector<std::string>& env,
                const fs::path& workDir, const std::string& extraEnv = {}) {
    std::vector<char*> argv, envp;
    std::vector<std::string> args = command, envs = env;
    if (!extraEnv.empty())
        envs.push_back(extraEnv);
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envs)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(workDir.c_str()) != 0)
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "checkrun_bench: %s failed (status %d)\n", command[0].c_str(), status);
        std::exit(1);
    }
    return {std::chrono::duration<double, std::milli>(end - start).count(), usage.ru_maxrss};
}

template <typename T>
T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    using namespace vantrel;
    test::TempDir root;
    for (const char* dir : {"home", "config", "cache", "runtime", "work", "served/replies"})
        fs::create_directories(root / dir);
    test::WritePeLibrary(root / "work" / "kvoutlook.dll", 4, 0, 0, 0);
    TProjectReplyContent content;
    content.ProductTitle = "Orbisk for Outlook";
    content.ProductDescription = std::string(2000, 'd');
    content.Available =
        TProductVersionRec{true, PackVersion(4, 0, 0, 0), "Orbisk4OutlookSetup.exe"};
    test::WriteFile(root / "served" / "replies" / "Orbisk4Outlook.reply",
                    BuildProjectReply(content));
    test::NginxServer server(root / "served");

    const std::vector<std::string> env = {
        "HOME=" + (root / "home").string(),
        "XDG_CONFIG_HOME=" + (root / "config").string(),
        "XDG_CACHE_HOME=" + (root / "cache").string(),
        "XDG_RUNTIME_DIR=" + (root / "runtime").string(),
        "VANTREL_SERVER=" + server.URL(),
        "LC_ALL=C.UTF-8",
        "PATH=/usr/bin:/bin",
    };
    const std::string url =
        server.URL() +
        "/cgi-bin/vantrel/VantrelSrv4.dll/GetProjectInfo?ProjectID=Orbisk4Outlook"
        "&CurrentProjectVersion=" +
        std::to_string(PackVersion(4, 0, 0, 0));
    const std::vector<std::string> vantrel = {(test::BinDir() / "vantrel").string()};
    const std::vector<std::string> curl = {"/usr/bin/curl", "-s", "-o", "/dev/null", url};

    // Warm the page cache and nginx before measuring.
    RunOnce(vantrel, env, root / "work", "VANTREL_NOW=2030-01-01");
    RunOnce(curl, env, root / "work");
    // Checked daily, so that a day's first check moves the next date on.
    platform::TRegistryStore(root / "config" / "vantrel" / "user.reg")
        .EditKey("Vantrel", [](platform::TRegKey& key) {
            key.Set("Update Mode", platform::TRegValue{platform::RegBinary, {ModeDaily}});
        });
    // Most checks store what is already there (the same next date as the
    // previous run that day) and leave user.reg alone; the first check of
    // a day rewrites it with an fsync. Both are measured: each round moves
    // the clock to a new day, checks twice on it, and runs curl once.
    std::vector<double> vantrelMs, curlMs, rewriteMs;
    std::vector<long> vantrelKiB, curlKiB, rewriteKiB;
    for (int i = 0; i < runs; ++i) {
        char day[32];
        std::snprintf(day, sizeof day, "VANTREL_NOW=%04d-%02d-%02d", 2031 + i / 336,
                      1 + i / 28 % 12, 1 + i % 28);
        const TSample w = RunOnce(vantrel, env, root / "work", day);
        const TSample v = RunOnce(vantrel, env, root / "work", day);
        const TSample c = RunOnce(curl, env, root / "work");
        vantrelMs.push_back(v.WallMs);
        vantrelKiB.push_back(v.PeakKiB);
        curlMs.push_back(c.WallMs);
        curlKiB.push_back(c.PeakKiB);
        rewriteMs.push_back(w.WallMs);
        rewriteKiB.push_back(w.PeakKiB);
    }
    const double vMs = Median(vantrelMs), cMs = Median(curlMs);
    const long vKiB = Median(vantrelKiB), cKiB = Median(curlKiB);
    std::printf("quiet check run, %d runs each, medians\n", runs);
    std::printf("  %-8s %8.2f ms %8ld KiB peak\n", "vantrel", vMs, vKiB);
    std::printf("  %-8s %8.2f ms %8ld KiB peak\n", "curl", cMs, cKiB);
    std::printf("  ratio    %8.2f    %8.2f       (goal: within 1.1)\n", vMs / cMs,
                static_cast<double>(vKiB) / static_cast<double>(cKiB));
    const double wMs = Median(rewriteMs);
    const long wKiB = Median(rewriteKiB);
    std::printf("first check of a day (user.reg rewritten, fsync):\n");
    std::printf("  %-8s %8.2f ms %8ld KiB peak\n", "vantrel", wMs, wKiB);
    std::printf("  ratio    %8.2f    %8.2f\n", wMs / cMs,
                static_cast<double>(wKiB) / static_cast<double>(cKiB));
    return 0;
}
