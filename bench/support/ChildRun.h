// Runs a program as a child of the benchmark and measures it from outside:
// its wall time and, from wait4, its own CPU time and peak memory.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace vantrel::bench {

struct TChildRun {
    double Seconds = 0;
    rusage Usage{};
    int ExitCode = -1;  // -1: not started, killed or not waited for
};

inline double CpuSecondsOf(const rusage& usage) {
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// `argv[0]` is the program's path; its standard output goes to `output`.
inline TChildRun RunChild(const std::vector<std::string>& argv,
                          const std::string& output = "/dev/null") {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (!std::freopen(output.c_str(), "w", stdout))
            _exit(126);
        std::vector<char*> args;
        args.reserve(argv.size() + 1);
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    TChildRun run;
    int status = 0;
    if (child < 0 || wait4(child, &status, 0, &run.Usage) != child)
        return run;
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace vantrel::bench
