// The per-user registry: keys with typed values. On Linux a text file in the
// registry-export format at $XDG_CONFIG_HOME/vantrel/user.reg; on Windows
// the real HKEY_CURRENT_USER, with the same keys and value types.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::platform {

// Value types, numbered as the registry numbers them so that "hex(N):"
// round-trips any type.
enum TRegValueType : std::uint32_t {
    RegNone = 0,
    RegString = 1,        // "text"
    RegExpandString = 2,  // hex(2):
    RegBinary = 3,        // hex:
    RegDWord = 4,         // dword:
};

struct TRegValue {
    std::uint32_t Type = RegBinary;
    // For RegString the 8-bit text itself; for RegDWord four little-endian
    // bytes; for every other type the raw bytes.
    std::vector<std::uint8_t> Data;

    bool operator==(const TRegValue&) const = default;
};

// One key: its path below HKEY_CURRENT_USER (delimiter "\", no leading
// delimiter) and its values in file order. Names compare case-insensitively
// (ASCII), as the registry's do.
struct TRegKey {
    std::string Path;
    std::vector<std::pair<std::string, TRegValue>> Values;

    const TRegValue* Find(std::string_view name) const;
    void Set(std::string_view name, TRegValue value);
    void Remove(std::string_view name);
};

struct TRegistryFile {
    std::vector<TRegKey> Keys;

    TRegKey* FindKey(std::string_view path);
    const TRegKey* FindKey(std::string_view path) const;
    // The key, created empty at the end when missing.
    TRegKey& OpenKey(std::string_view path);
    // Removes the key and every key below it; false when there was none.
    bool DeleteKeyTree(std::string_view path);
};

// A store that cannot be read or written: the file does not parse, or an
// operation on it failed. The message names the file and the reason.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What lies at the store's path is no store: text that does not parse, a
// file over the size cap, or something other than a regular file. A save
// repairs it.
class RegistryDamaged : public RegistryError {
public:
    using RegistryError::RegistryError;
};

// Another process held the writers' lock for longer than a save waits; the
// store was left as it was.
class RegistryLocked : public RegistryError {
public:
    using RegistryError::RegistryError;
};

// The largest store file that is read; the client keeps a few values, so a
// bigger file is damaged, not large.
inline constexpr std::size_t kMaxRegistryFileSize = std::size_t{4} * 1024 * 1024;

// Parses the text of a store. Throws RegistryError, naming the line, for
// anything that is not the format: a missing header, a value outside a key,
// a root other than HKEY_CURRENT_USER, a malformed value.
TRegistryFile ParseRegistryText(std::string_view text);

// What can still be read of a damaged text: every key line and value line
// that parses, with the values under a key line that does not parse left
// out. Never throws for the text's content.
TRegistryFile SalvageRegistryText(std::string_view text);

// Writes the text of a store; ParseRegistryText gives the same keys back.
std::string FormatRegistryText(const TRegistryFile& file);

// Makes "\Vantrel", "Vantrel\" and "Vantrel" the same path.
std::string NormalizeKeyPath(std::string_view path);

// How long a save waits for another writer's lock before it gives up.
inline constexpr std::chrono::milliseconds kRegistryLockWait{3000};

// The store and its operations.
//
// On Linux: the store file. Writers hold an advisory lock on a companion
// ".lock" file and replace the store atomically (temporary file, fsync,
// rename), so that a reader sees the old or the new file, never a
// half-written one, and an interrupted save keeps the previous store. A
// damaged store (see RegistryDamaged) reads as a failure. The next change
// repairs it: the damaged file is kept beside the store as
// "<name>.damaged-<date>-<time>[-<n>]" (an earlier one is never replaced),
// and a fresh store holding what could still be read is written.
//
// On Windows: the registry itself, which keeps its own consistency; an
// operation that the system refuses throws RegistryError with its reason.
class TRegistryStore {
public:
    using TNotice = std::function<void(const std::string&)>;

#ifdef _WIN32
    // The keys below `root`, a key path in HKEY_CURRENT_USER: empty for the
    // user's own keys (tests use a key of their own).
    explicit TRegistryStore(std::string_view root);
#else
    explicit TRegistryStore(std::filesystem::path file);
    const std::filesystem::path& FilePath() const {
        return FFile;
    }
#endif
    // The current user's store.
    static TRegistryStore ForCurrentUser();

    // Receives the one line that says a damaged store was repaired.
    void SetNotice(TNotice notice) {
        FNotice = std::move(notice);
    }

    // The key, or nothing when the store or the key does not exist. Never
    // waits: a FIFO or device at the path is a read failure.
    std::optional<TRegKey> ReadKey(std::string_view path) const;
    // Opens the key (creating it when missing), lets `edit` change it and
    // writes it back with every other key as it was.
    void EditKey(std::string_view path, const std::function<void(TRegKey&)>& edit);
    // Removes the key with everything below it; false when there was none.
    bool DeleteKeyTree(std::string_view path);

private:
#ifdef _WIN32
    std::string FRoot;
#else
    // The store as found; `Damage` says why it is no store.
    struct TSnapshot {
        bool Exists = false;
        std::string Text;
        std::optional<std::string> Damage;
        TRegistryFile File;
    };

    TSnapshot Read() const;
    void WriteFile(const std::string& text);
    // Runs `change` on the current contents under the writers' lock and
    // writes the result when `change` returns true (or the store needs
    // repair).
    void Modify(const std::function<bool(TRegistryFile&)>& change);
    void MoveDamagedAside(const std::string& why);
    void RemoveStaleTemporaries() const;

    std::filesystem::path FFile;
#endif
    TNotice FNotice;
};

}  // namespace vantrel::platform
