// The controls as the program's forms set them up, for the gallery, the
// benchmark and the tests that check these looks. The setups themselves are
// the main window's own (frontend/qt/controller/MainWindowLook.h): one copy.
#pragma once

#include "frontend/qt/controller/MainWindowLook.h"

namespace vantrel::gallery {

using vantrel::LookOfLogoFrame;
using vantrel::LookOfMainWindowBar;
using vantrel::LookOfSectionBox;
using vantrel::LookOfWhiteCard;

}  // namespace vantrel::gallery
