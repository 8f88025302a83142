#include "core/ProductDetection.h"

#include <array>
#include <filesystem>

#include "core/BuildConfig.h"
#include "core/Declarations.h"
#include "core/iProcs.h"
#include "platform/PeVersion.h"
#include "platform/Utf8Path.h"

namespace vantrel {
namespace {

std::string FileNamePart(const std::string& path) {
    return platform::Utf8Text(platform::Utf8Path(path).filename());
}

bool FileExists(const std::string& name) {
    std::error_code error;
    return std::filesystem::is_regular_file(platform::Utf8Path(name), error);
}

}  // namespace

TProductVersionRec ReadVersionInfo(const std::string& FileName) {
    TProductVersionRec rec;
    try {
        const std::optional<platform::TFileVersion> version =
            platform::ReadPeFileVersion(platform::Utf8Path(FileName));
        if (!version)
            return rec;
        rec.Found = true;
        rec.Version =
            PackVersion(version->Major(), version->Minor(), version->Release(), version->Build());
        rec.FileName = FileNamePart(FileName).substr(0, kProductFileNameMax);
    } catch (...) {
        // Out of memory while naming the file: the edition counts as not found.
        rec = TProductVersionRec{};
    }
    return rec;
}

TProductVersionRec DetectProduct() {
    InstalledProduct = TProductVersionRec{};
    std::array<TProductVersionRec, AppDescriptions.size()> rows{};
    for (std::size_t i = 0; i < AppDescriptions.size(); ++i) {
        const std::string fileName =
            ProductFilePath(ProductDirectory(), std::string(AppDescriptions[i].FileName));
        if (FileExists(fileName))
            rows[i] = ReadVersionInfo(fileName);
    }
    // Strictly greater: on equal versions the earlier row keeps the choice.
    for (std::size_t i = 0; i < AppDescriptions.size(); ++i) {
        if (rows[i].Version > InstalledProduct.Version && rows[i].Found) {
            InstalledProduct = rows[i];
            ProjectID = AppDescriptions[i].ProjectID;
            RegistryPath = AppDescriptions[i].RegistryPath;
        }
    }
    return InstalledProduct;
}

}  // namespace vantrel
