// The window side: a module that start-up loads only when it has a window
// to show, so that a quiet check never loads the GUI libraries.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "app/WindowEntryPoints.h"

namespace vantrel {

// The module could not be loaded or lacks an entry point.
class WindowModuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A loaded window module. Its code stays mapped for the rest of the
// process, even after the object goes.
class TWindowModule {
public:
    // Loads `file` (dlopen, LoadLibraryExW). Throws WindowModuleError with
    // the loader's own reason.
    explicit TWindowModule(const std::filesystem::path& file);
    ~TWindowModule();
    TWindowModule(const TWindowModule&) = delete;
    TWindowModule& operator=(const TWindowModule&) = delete;

    // The entry point called `name`; throws WindowModuleError when missing.
    TWindowEntryPoint EntryPoint(const char* name) const;

private:
    std::filesystem::path FFile;
    void* FHandle = nullptr;
};

// The module beside the program: AppDir + kWindowModuleFileName.
std::filesystem::path WindowModulePath();

}  // namespace vantrel
