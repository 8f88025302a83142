#include "window/controller/PackageNames.h"

#include <cstdint>

#include "core/iProcs.h"
#include "window/controller/MainServices.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kPartialContent = 206;
constexpr std::uint32_t kRangeNotSatisfiable = 416;

// The server's file name as a name inside the temporary directory. A name
// CheckPackageURL would refuse must still not reach outside the directory:
// the window deletes the stale partial file at start, before any check.
std::string SafeFileName(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == '\0')
            c = '_';
    }
    if (name.empty() || name == "." || name == "..")
        name.insert(name.begin(), '_');
    return name;
}

}  // namespace

std::string PackageURL() {
    return ProjectInfo.DownloadURL + "/" + AvailableProduct.FileName;
}

std::string SignatureURL() {
    return PackageURL() + ".minisig";
}

std::string TemporaryPackageFile(const std::string& tempDir) {
    return FinalPackageFile(tempDir) + ".tmp";
}

std::string FinalPackageFile(const std::string& tempDir) {
    return tempDir + SafeFileName(AvailableProduct.FileName);
}

TCompletionAction CompletionActionFor(platform::HRESULT result, std::uint32_t responseCode) {
    if (result == platform::S_OK)
        return TCompletionAction::Downloaded;
    if (result == platform::E_ABORT && responseCode == kPartialContent)
        return TCompletionAction::Nothing;
    // The server refused a range that starts at the end of the file: all of
    // the package is on disk already.
    if (result == platform::E_ABORT && responseCode == kRangeNotSatisfiable)
        return TCompletionAction::Downloaded;
    return TCompletionAction::Pause;
}

}  // namespace vantrel
