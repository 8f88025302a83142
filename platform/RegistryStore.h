// The per-user registry: keys with typed values, kept as a text file in the
// registry-export format at $XDG_CONFIG_HOME/vantrel/user.reg.
#pragma once

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

// The largest store file that is read; the client keeps a few values, so a
// bigger file is damaged, not large.
inline constexpr std::size_t kMaxRegistryFileSize = 4 * 1024 * 1024;

// Parses the text of a store. Throws RegistryError, naming the line, for
// anything that is not the format: a missing header, a value outside a key,
// a root other than HKEY_CURRENT_USER, a malformed value.
TRegistryFile ParseRegistryText(std::string_view text);

// Writes the text of a store; ParseRegistryText gives the same keys back.
std::string FormatRegistryText(const TRegistryFile& file);

// Makes "\Vantrel", "Vantrel\" and "Vantrel" the same path.
std::string NormalizeKeyPath(std::string_view path);

// The store file and its operations. Writers hold an advisory lock on a
// companion ".lock" file and replace the store atomically (temporary file,
// fsync, rename), so that a reader sees the old or the new file, never a
// half-written one, and an interrupted save keeps the previous store.
class TRegistryStore {
public:
    explicit TRegistryStore(std::filesystem::path file);
    // user.reg in the user's configuration directory.
    static TRegistryStore ForCurrentUser();

    const std::filesystem::path& FilePath() const { return FFile; }

    // The key, or nothing when the file or the key does not exist.
    std::optional<TRegKey> ReadKey(std::string_view path) const;
    // Opens the key (creating it when missing), lets `edit` change it and
    // writes the store back with every other key as it was. A damaged store
    // is not overwritten.
    void EditKey(std::string_view path, const std::function<void(TRegKey&)>& edit);
    // Removes the key with everything below it; false when there was none.
    bool DeleteKeyTree(std::string_view path);

private:
    std::optional<TRegistryFile> ReadFile() const;
    // Also hands back the file's text as read.
    std::optional<TRegistryFile> ReadFile(std::string& text) const;
    void WriteFile(const std::string& text);
    // Runs `change` on the current contents under the writers' lock and
    // writes the result when `change` returns true.
    void Modify(const std::function<bool(TRegistryFile&)>& change);

    std::filesystem::path FFile;
};

}  // namespace vantrel::platform
