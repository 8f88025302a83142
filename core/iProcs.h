// Process-wide values: filled by start-up in a fixed order, read by the
// windows. The update state, the one value that changes after start-up,
// is declared in core/UpdateState.h.
#pragma once

#include <string>

#include "core/ProductVersion.h"
#include "core/ProjectInfo.h"

namespace vantrel {

extern bool IsWinNT;             // Linux desktops blend windows and draw wide text: true
extern bool Uninstall;           // first argument is "/uninstall"
extern bool ShowInfo;            // first argument is "/showinfo"
extern std::u16string Language;  // from "/lang:", default "English"
extern std::string AppDir;       // the program's directory, with a trailing "/"

extern TProductVersionRec InstalledProduct;  // the detected edition
extern std::string ProjectID;                // the detected edition's server identifier
extern std::string RegistryPath;             // put in front of "\Vantrel"

extern TProjectInfo ProjectInfo;             // from a successful query
extern TProductVersionRec AvailableProduct;  // the offered version and package name
extern std::string ErrorMessage;             // empty unless the last query failed

// True when the server offers a version newer than the installed one.
bool NewVersionOffered();

}  // namespace vantrel
