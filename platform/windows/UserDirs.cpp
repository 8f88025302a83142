#include "platform/UserDirs.h"

// windows.h first: the other system headers build on it.
#include <windows.h>

#include <shlobj.h>

#include "platform/windows/Win32Text.h"

namespace vantrel::platform {
namespace {

std::filesystem::path KnownFolder(const KNOWNFOLDERID& id) {
    wchar_t* folder = nullptr;
    const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &folder);
    std::filesystem::path path =
        SUCCEEDED(result) ? std::filesystem::path(folder) : std::filesystem::path();
    CoTaskMemFree(folder);
    if (path.empty())
        throw UserDirError("The user's application data folder is unknown.");
    return path;
}

std::filesystem::path TempPath() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        throw UserDirError("The user's temporary folder is unknown.");
    return std::filesystem::path(std::wstring(buffer, length));
}

}  // namespace

// The registry store lives in the registry itself; this folder holds what
// the program keeps beside it (the window module's files, never the state).
std::filesystem::path ConfigDirPath() {
    return KnownFolder(FOLDERID_LocalAppData) / L"Vantrel";
}

// The user's temporary folder, as the download component was described
// with: it lies in the user's profile and survives a restart, so that a
// download resumes.
std::filesystem::path CacheDirPath() {
    return TempPath() / L"Vantrel";
}

// Nothing lives here on Windows: a second start finds the first through a
// named mutex and its window, not through files.
std::filesystem::path RuntimeDirPath() {
    return ConfigDirPath();
}

// The profile's folders are the user's alone by their inherited access
// list; what must not be trusted is a junction or link planted in the
// folder's place, which could send writes elsewhere.
void EnsurePrivateDir(const std::filesystem::path& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const DWORD attributes = GetFileAttributesW(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw UserDirError("The folder " + Utf8FromWide(dir.native()) +
                           " could not be created: " + SystemErrorText(GetLastError()) + ".");
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw UserDirError("The folder " + Utf8FromWide(dir.native()) + " is not a folder.");
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        throw UserDirError("The folder " + Utf8FromWide(dir.native()) +
                           " is a link to somewhere else.");
}

}  // namespace vantrel::platform
