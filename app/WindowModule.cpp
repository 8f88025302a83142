#include "app/WindowModule.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/windows/Win32Text.h"
#else
#include <dlfcn.h>
#endif

#include "core/iProcs.h"
#include "platform/Utf8Path.h"

namespace vantrel {

#ifdef _WIN32

// LoadLibraryExW with the program's own folder searched first for the
// module's dependencies: the runtime DLLs are installed beside it.
TWindowModule::TWindowModule(const std::filesystem::path& file) : FFile(file) {
    FHandle = LoadLibraryExW(file.c_str(), nullptr,
                             LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (FHandle == nullptr)
        throw WindowModuleError("cannot load the window module " + platform::Utf8Text(file) + ": " +
                                platform::SystemErrorText(GetLastError()));
}

// A loaded module stays for the rest of the process, as on Linux.
TWindowModule::~TWindowModule() = default;

TWindowEntryPoint TWindowModule::EntryPoint(const char* name) const {
    FARPROC symbol = GetProcAddress(static_cast<HMODULE>(FHandle), name);
    if (symbol == nullptr)
        throw WindowModuleError("the window module " + platform::Utf8Text(FFile) +
                                " has no entry point " + name);
    return reinterpret_cast<TWindowEntryPoint>(reinterpret_cast<void (*)()>(symbol));
}

#else

TWindowModule::TWindowModule(const std::filesystem::path& file) : FFile(file) {
    // RTLD_NOW: a module with a missing symbol fails here, inside start-up's
    // guarded block, rather than later in the middle of a window.
    // RTLD_NODELETE: the GUI libraries it brings in register exit handlers
    // and global state, so they must stay mapped until the process ends.
    FHandle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (FHandle == nullptr) {
        const char* reason = dlerror();
        throw WindowModuleError("cannot load the window module: " +
                                std::string(reason != nullptr ? reason : file.string()));
    }
}

TWindowModule::~TWindowModule() {
    dlclose(FHandle);
}

TWindowEntryPoint TWindowModule::EntryPoint(const char* name) const {
    dlerror();
    void* symbol = dlsym(FHandle, name);
    if (symbol == nullptr)
        throw WindowModuleError("the window module " + FFile.string() + " has no entry point " +
                                name);
    return reinterpret_cast<TWindowEntryPoint>(symbol);
}

#endif

std::filesystem::path WindowModulePath() {
    return platform::Utf8Path(AppDir + kWindowModuleFileName);
}

}  // namespace vantrel
