// The pictures compiled into the window side, by the resource names the
// windows know them by.
#pragma once

#include <QPixmap>

namespace vantrel {

// "ORBISK4LOGO64", "GLOBESMALL", "POPUPLOGO", "POPUPGO" or "POPUPCLOSE";
// a null pixmap for any other name.
QPixmap LoadPicture(const char* resourceName);

}  // namespace vantrel
