// The texts of the two tray popups. They stay untranslated English templates
// here: the window that raises a popup translates and expands each field.
#pragma once

#include <string>

namespace vantrel {

struct TPopupInfoRec {
    std::string PopupCaption;  // the heading
    std::string PopupText;     // the body
    std::string GoText;        // the action link
};

// A new version can be downloaded.
extern const TPopupInfoRec PopupNewVersionAvailable;
// The new version has been downloaded and can be installed.
extern const TPopupInfoRec PopupNewVersionDownloaded;

}  // namespace vantrel
