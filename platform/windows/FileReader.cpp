#include "platform/FileReader.h"

#include <windows.h>

#include <algorithm>

#include "platform/windows/Win32Text.h"

namespace vantrel::platform {

TFileReader::TFileReader(const std::filesystem::path& path) {
    // Others may read the file meanwhile, nobody may change it.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw TFileReadError(SystemErrorText(GetLastError()));
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        throw TFileReadError("it is not a file");
    }
    FHandle = file;
    FSize = static_cast<std::uint64_t>(size.QuadPart);
}

TFileReader::~TFileReader() {
    CloseHandle(FHandle);
}

std::size_t TFileReader::Read(std::span<unsigned char> buffer) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1u << 30));
    if (!ReadFile(FHandle, buffer.data(), want, &got, nullptr))
        throw TFileReadError(SystemErrorText(GetLastError()));
    return got;
}

}  // namespace vantrel::platform
