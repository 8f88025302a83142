// UTF-8 and UTF-16 at the edge of the Win32 API: every name handed to the
// system goes in wide, so that no character outside the ANSI code page is
// lost on the way.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace vantrel::platform {

// Ill-formed UTF-8 is replaced, not refused: these are names the program
// made or got from the system itself.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// The full path of this process's program, however long.
std::filesystem::path OwnExecutablePath();

// The system's message for an error code, in English where the system has
// it, without the trailing line break.
std::string SystemErrorText(DWORD error);

}  // namespace vantrel::platform
