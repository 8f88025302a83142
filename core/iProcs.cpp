#include "core/iProcs.h"

#include "core/UpdateState.h"

namespace vantrel {

bool IsWinNT = true;
bool Uninstall = false;
bool ShowInfo = false;
std::u16string Language = u"English";
std::string AppDir;

TProductVersionRec InstalledProduct;
std::string ProjectID;
std::string RegistryPath;

TProjectInfo ProjectInfo;
TProductVersionRec AvailableProduct;
std::string ErrorMessage;

TUpdateState UpdateState;

bool NewVersionOffered() {
    return AvailableProduct.Found && AvailableProduct.Version > InstalledProduct.Version;
}

}  // namespace vantrel
