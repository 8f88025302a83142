#include "platform/UserDirs.h"

namespace vantrel::platform {

// Each directory is checked (and narrowed where it is ours) every time it
// is asked for: another program may have changed it since the last time.

std::filesystem::path ConfigDir() {
    std::filesystem::path dir = ConfigDirPath();
    EnsurePrivateDir(dir);
    return dir;
}

std::filesystem::path CacheDir() {
    std::filesystem::path dir = CacheDirPath();
    EnsurePrivateDir(dir);
    return dir;
}

std::filesystem::path RuntimeDir() {
    std::filesystem::path dir = RuntimeDirPath();
    EnsurePrivateDir(dir);
    return dir;
}

}  // namespace vantrel::platform
