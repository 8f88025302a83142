#include "app/WindowModule.h"

#include <dlfcn.h>

#include "core/iProcs.h"

namespace vantrel {

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

std::filesystem::path WindowModulePath() {
    return AppDir + kWindowModuleFileName;
}

}  // namespace vantrel
