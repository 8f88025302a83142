#include "platform/RegistryStore.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <utility>

#include "platform/UserDirs.h"
#include "platform/linux/FileDescriptor.h"

namespace vantrel::platform {
namespace {

// ---- files ----------------------------------------------------------------

std::string SystemError(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

void WriteAll(int fd, std::string_view data, const std::filesystem::path& path) {
    while (!data.empty()) {
        const ssize_t written = write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw RegistryError(SystemError("cannot write", path));
        data.remove_prefix(static_cast<std::size_t>(written));
    }
}

// The temporary file of a save is "<store>.saving-XXXXXX": a name no other
// file beside the store has, so that one left by a killed save can be
// recognised and removed.
constexpr const char* kSavingInfix = ".saving-";

// Waits a bounded time for the writers' lock: a process that holds it for
// good (stopped, hung) must not hang every later save.
TFd TakeWritersLock(const std::filesystem::path& lockPath, std::chrono::milliseconds wait) {
    TFd lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock.get() < 0)
        throw RegistryError(SystemError("cannot open the lock file", lockPath));
    struct stat info {};
    if (fstat(lock.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw RegistryError(lockPath.string() + " is not a regular file");
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            throw RegistryError(SystemError("cannot lock", lockPath));
        if (std::chrono::steady_clock::now() >= deadline)
            throw RegistryLocked(lockPath.string() + " is held by another process; not saved");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return lock;
}

std::string DateStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return stamp;
}

// Keeps `file` under a dated name beside it that no earlier copy has, and
// returns that name. A hard link keeps the store in place until the fresh
// one replaces it in one rename, so a kill between the two steps never
// leaves the user without a store; what cannot be linked (a directory in
// the store's place) is renamed instead. Neither step replaces an existing
// name, even against another process picking the same one at that moment.
std::string KeepAside(const std::filesystem::path& file) {
    const std::string base = file.string() + ".damaged-" + DateStamp();
    for (int n = 0; n < 1000; ++n) {
        std::string aside = n == 0 ? base : base + "-" + std::to_string(n);
        if (link(file.c_str(), aside.c_str()) == 0)
            return aside;
        if (errno != EEXIST &&
            renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
            return aside;
        if (errno != EEXIST)
            throw RegistryError(SystemError("cannot keep the damaged store", file));
    }
    throw RegistryError("cannot keep the damaged store " + file.string() +
                        ": too many damaged copies beside it");
}

}  // namespace

// ---- the store ------------------------------------------------------------

TRegistryStore::TRegistryStore(std::filesystem::path file) : FFile(std::move(file)) {}

TRegistryStore TRegistryStore::ForCurrentUser() {
    return TRegistryStore(ConfigDirPath() / "user.reg");
}

// O_NONBLOCK: opening a FIFO must not wait for a writer; fstat then turns
// away anything that is not a regular file before it is read.
TRegistryStore::TSnapshot TRegistryStore::Read() const {
    TSnapshot snapshot;
    TFd fd(open(FFile.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return snapshot;
        struct stat info {};
        if (lstat(FFile.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
            snapshot.Exists = true;
            snapshot.Damage = FFile.string() + " is not a regular file";
            return snapshot;
        }
        throw RegistryError(SystemError("cannot open", FFile));
    }
    snapshot.Exists = true;
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        throw RegistryError(SystemError("cannot inspect", FFile));
    if (!S_ISREG(info.st_mode)) {
        snapshot.Damage = FFile.string() + " is not a regular file";
        return snapshot;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxRegistryFileSize) {
        snapshot.Damage = FFile.string() + " is larger than a registry store can be";
        return snapshot;
    }
    snapshot.Text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    while (true) {
        const ssize_t got = read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw RegistryError(SystemError("cannot read", FFile));
        if (got == 0)
            break;
        // The file may grow while it is read.
        if (snapshot.Text.size() + static_cast<std::size_t>(got) > kMaxRegistryFileSize) {
            snapshot.Damage = FFile.string() + " is larger than a registry store can be";
            snapshot.Text.clear();
            return snapshot;
        }
        snapshot.Text.append(buffer, static_cast<std::size_t>(got));
    }
    try {
        snapshot.File = ParseRegistryText(snapshot.Text);
    } catch (const RegistryError& e) {
        snapshot.Damage = FFile.string() + ", " + e.what();
        snapshot.File = SalvageRegistryText(snapshot.Text);
    }
    return snapshot;
}

void TRegistryStore::WriteFile(const std::string& text) {
    std::string temporary =
        (FFile.parent_path() / (FFile.filename().string() + kSavingInfix + "XXXXXX")).string();
    TFd fd(mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0)
        throw RegistryError(SystemError("cannot create a temporary file beside", FFile));
    try {
        if (fchmod(fd.get(), 0600) != 0)
            throw RegistryError(SystemError("cannot set the mode of", temporary));
        WriteAll(fd.get(), text, temporary);
        // The data must be on disk before the rename makes it the store;
        // otherwise a power cut could leave an empty file under the old name.
        if (fsync(fd.get()) != 0)
            throw RegistryError(SystemError("cannot flush", temporary));
        if (close(fd.release()) != 0)
            throw RegistryError(SystemError("cannot close", temporary));
        if (rename(temporary.c_str(), FFile.c_str()) != 0)
            throw RegistryError(SystemError("cannot replace", FFile));
    } catch (...) {
        unlink(temporary.c_str());
        throw;
    }
    // The rename itself is made durable with the directory. A failure here is
    // not the save's: the new store is in place and readable already.
    TFd dir(open(FFile.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        fsync(dir.get());
}

void TRegistryStore::Modify(const std::function<bool(TRegistryFile&)>& change) {
    try {
        EnsurePrivateDir(FFile.parent_path());
    } catch (const UserDirError& e) {
        throw RegistryError(e.what());
    }
    const std::filesystem::path lockPath = FFile.string() + ".lock";
    const TFd lock = TakeWritersLock(lockPath, kRegistryLockWait);
    RemoveStaleTemporaries();
    TSnapshot snapshot = Read();
    const bool changed = change(snapshot.File);
    if (snapshot.Damage) {
        MoveDamagedAside(*snapshot.Damage);
    } else if (!changed) {
        return;
    }
    // Most saves store what is already there (a second check on the same
    // day); they leave the file alone and save the cost of the fsync.
    const std::string after = FormatRegistryText(snapshot.File);
    if (!snapshot.Exists || snapshot.Damage || after != snapshot.Text)
        WriteFile(after);
}

void TRegistryStore::MoveDamagedAside(const std::string& why) {
    const std::string aside = KeepAside(FFile);
    if (FNotice)
        FNotice(why + "; kept as " + aside + ", a fresh store is written");
}

// A temporary file of an earlier save that was killed before its rename.
// Called under the writers' lock, when no save of ours can be under way.
void TRegistryStore::RemoveStaleTemporaries() const {
    const std::string prefix = FFile.filename().string() + kSavingInfix;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(FFile.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        struct stat info {};
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
            lstat(entry.path().c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == getuid())
            unlink(entry.path().c_str());
    }
}

std::optional<TRegKey> TRegistryStore::ReadKey(std::string_view path) const {
    const TSnapshot snapshot = Read();
    if (snapshot.Damage)
        throw RegistryDamaged(*snapshot.Damage);
    if (const TRegKey* key = snapshot.File.FindKey(path))
        return *key;
    return std::nullopt;
}

void TRegistryStore::EditKey(std::string_view path, const std::function<void(TRegKey&)>& edit) {
    Modify([&](TRegistryFile& contents) {
        edit(contents.OpenKey(path));
        return true;
    });
}

bool TRegistryStore::DeleteKeyTree(std::string_view path) {
    // Deleting from a store that does not exist must not create its
    // directory or lock file either.
    std::error_code ignored;
    if (!std::filesystem::exists(std::filesystem::symlink_status(FFile, ignored)))
        return false;
    bool deleted = false;
    Modify([&](TRegistryFile& contents) {
        deleted = contents.DeleteKeyTree(path);
        return deleted;
    });
    return deleted;
}

}  // namespace vantrel::platform
