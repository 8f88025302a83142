#include "tests/tools/ToolProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <stdexcept>

#include "tests/support/TempDir.h"

extern char** environ;

namespace vantrel::test {
namespace {

// The child's environment with a fixed locale, so that the system code
// page, and with it every text conversion, is UTF-8 whatever ran the tests.
std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (!variable.starts_with("LC_ALL="))
            env.push_back(variable);
    }
    env.push_back("LC_ALL=C.UTF-8");
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");
    }
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

}  // namespace

TToolRun RunTool(const std::string& program, const std::vector<std::string>& args) {
    // Output goes to files rather than pipes, so a talkative child can never
    // block on a pipe that nobody reads yet.
    TempDir capture;
    const std::string outPath = (capture / "stdout").string();
    const std::string errPath = (capture / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);

    std::vector<std::string> argv = {(BinDir() / program).string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = ChildEnvironment();
    std::vector<char*> argvPointers = Pointers(argv);
    std::vector<char*> envPointers = Pointers(env);

    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argvPointers.data(),
                               envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + argv[0]);

    TToolRun run;
    run.Status = WaitFor(pid);
    const std::vector<std::uint8_t> out = ReadFile(outPath);
    const std::vector<std::uint8_t> err = ReadFile(errPath);
    run.Out.assign(out.begin(), out.end());
    run.Err.assign(err.begin(), err.end());
    return run;
}

}  // namespace vantrel::test
