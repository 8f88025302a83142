#include "platform/UserDirs.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vantrel::platform {
namespace {

constexpr const char* kProgramDir = "vantrel";

// An XDG variable counts only when it holds an absolute path: the base
// directory convention has relative values ignored.
const char* AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return nullptr;
    return value;
}

std::filesystem::path HomeDir() {
    if (const char* home = AbsoluteEnv("HOME"))
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    throw UserDirError("the home directory is unknown (HOME is not set)");
}

std::filesystem::path XdgDir(const char* variable, const char* homeRelative) {
    if (const char* value = AbsoluteEnv(variable))
        return std::filesystem::path(value) / kProgramDir;
    return HomeDir() / homeRelative / kProgramDir;
}

std::string ErrnoText(const std::string& what, const std::filesystem::path& dir) {
    return what + " " + dir.string() + ": " + std::strerror(errno);
}

// Parents are made like `mkdir -p` would, with the usual 0700 for the XDG
// bases that do not exist yet; only the last component is checked strictly.
void CreateParents(const std::filesystem::path& dir) {
    std::error_code ignored;
    const std::filesystem::path parent = dir.parent_path();
    if (parent.empty() || std::filesystem::exists(parent, ignored))
        return;
    CreateParents(parent);
    if (mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST)
        throw UserDirError(ErrnoText("cannot create", parent));
}

}  // namespace

std::filesystem::path RuntimeDirPathFor(const char* runtimeDir) {
    if (runtimeDir != nullptr && runtimeDir[0] == '/')
        return std::filesystem::path(runtimeDir) / kProgramDir;
    return "/tmp/vantrel-" + std::to_string(getuid());
}

std::filesystem::path ConfigDirPath() {
    return XdgDir("XDG_CONFIG_HOME", ".config");
}
std::filesystem::path CacheDirPath() {
    return XdgDir("XDG_CACHE_HOME", ".cache");
}
std::filesystem::path RuntimeDirPath() {
    return RuntimeDirPathFor(std::getenv("XDG_RUNTIME_DIR"));
}

void EnsurePrivateDir(const std::filesystem::path& dir) {
    CreateParents(dir);
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw UserDirError(ErrnoText("cannot create", dir));
    // O_NOFOLLOW|O_DIRECTORY: the checks below must be about the directory
    // itself, not about what a planted symbolic link points to.
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw UserDirError(ErrnoText("not a usable directory:", dir));
    struct stat info {};
    const bool statOk = fstat(fd, &info) == 0;
    bool ok = statOk && info.st_uid == getuid();
    if (ok && (info.st_mode & 0077) != 0)
        ok = fchmod(fd, 0700) == 0;
    close(fd);
    if (!statOk)
        throw UserDirError(ErrnoText("cannot inspect", dir));
    if (!ok)
        throw UserDirError(dir.string() + " is not a private directory of this user");
}

}  // namespace vantrel::platform
