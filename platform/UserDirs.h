// The user's private directories: configuration, cache and runtime.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace vantrel::platform {

// A private directory that cannot be used safely: not a directory, owned by
// someone else, or impossible to create.
class UserDirError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the registry store lives: $XDG_CONFIG_HOME/vantrel (default
// ~/.config/vantrel). The *Path functions only compute the name; the
// *Dir functions also create the directory and check it.
std::filesystem::path ConfigDirPath();
// The system temporary directory of this program: $XDG_CACHE_HOME/vantrel
// (default ~/.cache/vantrel); it survives reboots so that downloads resume.
std::filesystem::path CacheDirPath();
// Instance endpoints: $XDG_RUNTIME_DIR/vantrel, else /tmp/vantrel-<uid>.
std::filesystem::path RuntimeDirPath();

std::filesystem::path ConfigDir();
std::filesystem::path CacheDir();
std::filesystem::path RuntimeDir();

// Creates `dir` (and missing parents) and makes sure that it is a real
// directory owned by this user with mode 0700. A directory of ours with wider
// permissions is narrowed; one owned by another user, or a symbolic link, is
// refused with UserDirError, because others could then read or plant files.
void EnsurePrivateDir(const std::filesystem::path& dir);

// The runtime directory base as a process with the environment `runtimeDir`
// (the value of XDG_RUNTIME_DIR, null when unset) would compute it; the
// process services use it to tell whether another process belongs to the
// same session.
std::filesystem::path RuntimeDirPathFor(const char* runtimeDir);  // Linux only

}  // namespace vantrel::platform
