#include "platform/RegistryStore.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/TextConversion.h"
#include "platform/windows/Win32Text.h"

namespace vantrel::platform {
namespace {

class TKeyHandle {
public:
    TKeyHandle() = default;
    ~TKeyHandle() {
        if (FKey != nullptr)
            RegCloseKey(FKey);
    }
    TKeyHandle(const TKeyHandle&) = delete;
    TKeyHandle& operator=(const TKeyHandle&) = delete;
    HKEY* Out() { return &FKey; }
    HKEY Get() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

[[noreturn]] void Fail(const std::wstring& fullPath, const char* what, LSTATUS status) {
    throw RegistryError("The registry key HKEY_CURRENT_USER\\" + Utf8FromWide(fullPath) + " " +
                        what + ": " + SystemErrorText(static_cast<DWORD>(status)) + ".");
}

// A string value as the program holds it: the text in the code page,
// without the terminating null the registry stores.
std::vector<std::uint8_t> StringData(const std::vector<BYTE>& raw) {
    std::u16string text(raw.size() / 2, u'\0');
    std::copy_n(raw.data(), text.size() * 2, reinterpret_cast<BYTE*>(text.data()));
    while (!text.empty() && text.back() == u'\0')
        text.pop_back();
    const std::string narrow = Utf16ToCodePage(text);
    return {narrow.begin(), narrow.end()};
}

std::vector<BYTE> RegistryData(const TRegValue& value) {
    if (value.Type != RegString)
        return {value.Data.begin(), value.Data.end()};
    std::u16string text =
        CodePageToUtf16(std::string(value.Data.begin(), value.Data.end())) + u'\0';
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    return {bytes, bytes + text.size() * 2};
}

TRegKey ReadValues(HKEY key, std::string_view path, const std::wstring& fullPath) {
    DWORD count = 0, longestName = 0, longestData = 0;
    LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      &count, &longestName, &longestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS)
        Fail(fullPath, "could not be read", status);
    TRegKey result;
    result.Path = std::string(path);
    std::wstring name(longestName + 1, L'\0');
    std::vector<BYTE> data(longestData);
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(),
                               &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            Fail(fullPath, "could not be read", status);
        const std::vector<BYTE> raw(data.begin(), data.begin() + dataSize);
        TRegValue value;
        value.Type = type;
        value.Data =
            type == REG_SZ ? StringData(raw) : std::vector<std::uint8_t>(raw.begin(), raw.end());
        result.Values.emplace_back(Utf8FromWide(std::wstring_view(name.data(), nameLength)),
                                   std::move(value));
    }
    return result;
}

}  // namespace

TRegistryStore::TRegistryStore(std::string_view root) : FRoot(NormalizeKeyPath(root)) {}

TRegistryStore TRegistryStore::ForCurrentUser() {
    return TRegistryStore(std::string_view());
}

namespace {

std::wstring FullPath(const std::string& root, std::string_view path) {
    const std::string key = NormalizeKeyPath(path);
    return WideFromUtf8(root.empty() ? key : root + "\\" + key);
}

}  // namespace

std::optional<TRegKey> TRegistryStore::ReadKey(std::string_view path) const {
    const std::wstring full = FullPath(FRoot, path);
    TKeyHandle key;
    const LSTATUS status =
        RegOpenKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, KEY_QUERY_VALUE, key.Out());
    if (status == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (status != ERROR_SUCCESS)
        Fail(full, "could not be opened", status);
    return ReadValues(key.Get(), NormalizeKeyPath(path), full);
}

// Only what `edit` changed is written: the values it removed are deleted,
// the others set, and any value another program added meanwhile stays.
void TRegistryStore::EditKey(std::string_view path, const std::function<void(TRegKey&)>& edit) {
    const std::wstring full = FullPath(FRoot, path);
    TKeyHandle key;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0,
                                     KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Out(), nullptr);
    if (status != ERROR_SUCCESS)
        Fail(full, "could not be created", status);
    const TRegKey before = ReadValues(key.Get(), NormalizeKeyPath(path), full);
    TRegKey after = before;
    edit(after);
    for (const auto& [name, value] : before.Values) {
        if (after.Find(name) != nullptr)
            continue;
        status = RegDeleteValueW(key.Get(), WideFromUtf8(name).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            Fail(full, "could not be written", status);
    }
    for (const auto& [name, value] : after.Values) {
        const TRegValue* old = before.Find(name);
        if (old != nullptr && *old == value)
            continue;
        const std::vector<BYTE> data = RegistryData(value);
        status = RegSetValueExW(key.Get(), WideFromUtf8(name).c_str(), 0, value.Type, data.data(),
                                static_cast<DWORD>(data.size()));
        if (status != ERROR_SUCCESS)
            Fail(full, "could not be written", status);
    }
}

bool TRegistryStore::DeleteKeyTree(std::string_view path) {
    // An empty path names the root itself: never the whole of a user's keys.
    if (NormalizeKeyPath(path).empty())
        throw RegistryError("No registry key was named to delete.");
    const std::wstring full = FullPath(FRoot, path);
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, full.c_str());
    if (status == ERROR_FILE_NOT_FOUND)
        return false;
    if (status != ERROR_SUCCESS)
        Fail(full, "could not be deleted", status);
    // The tree call empties the key; the key itself goes here, where it
    // was not already taken with it.
    const LSTATUS removed = RegDeleteKeyW(HKEY_CURRENT_USER, full.c_str());
    if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND)
        Fail(full, "could not be deleted", removed);
    return true;
}

}  // namespace vantrel::platform
