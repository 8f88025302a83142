#include "tests/support/Minisign.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <stdexcept>
#include <vector>

extern char** environ;

namespace vantrel::test {
namespace {

// minisign prints progress on standard output; only its status matters here.
void RunMinisign(std::vector<std::string> args) {
    args.insert(args.begin(), "minisign");
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int status = -1;
    const int spawned = posix_spawnp(&pid, "minisign", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("minisign could not be started (scripts/bootstrap installs it)");
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("minisign " + args.at(1) + " failed");
}

}  // namespace

TMinisignKeys MakeMinisignKeys(const std::filesystem::path& dir, const std::string& name) {
    TMinisignKeys keys{dir / (name + ".pub"), dir / (name + ".key")};
    RunMinisign({"-G", "-W", "-f", "-p", keys.PublicKey.string(), "-s", keys.SecretKey.string()});
    return keys;
}

void MinisignSign(const TMinisignKeys& keys, const std::filesystem::path& file,
                  const std::string& trustedComment, bool legacy,
                  const std::filesystem::path& signature) {
    std::vector<std::string> args = {"-S",          "-s", keys.SecretKey.string(), "-m",
                                     file.string(), "-t", trustedComment};
    if (legacy)
        args.push_back("-l");
    if (!signature.empty()) {
        args.push_back("-x");
        args.push_back(signature.string());
    }
    RunMinisign(args);
}

}  // namespace vantrel::test
