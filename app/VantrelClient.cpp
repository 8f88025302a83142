// vantrel: checks for a new version of the installed product and, when
// there is something to show, loads the window module.
#include "app/StartUp.h"

#ifdef _WIN32
// windows.h first: the other system headers build on it.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/windows/Win32Text.h"

// The C runtime's argv is in the ANSI code page, which loses a "/lang:"
// name outside it: the arguments are taken wide and handed on as UTF-8,
// which is how the command line reads them.
int main() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide != nullptr && i < count; ++i)
        arguments.push_back(vantrel::platform::Utf8FromWide(wide[i]));
    LocalFree(wide);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return vantrel::RunStartUp(static_cast<int>(arguments.size()), argv.data());
}
#else
int main(int argc, char** argv) {
    return vantrel::RunStartUp(argc, argv);
}
#endif
