// The controls as the program's forms set them up, for the gallery, the
// benchmark and the tests that check these looks.
#pragma once

#include "controls/LabelProgressBar.h"
#include "controls/SpecialFrame.h"
#include "controls/TabedLabel.h"

namespace vantrel::gallery {

// The main window's download bar: 429 by 23, flat bold rounded border, smooth
// orange fill, a percent box floating right of the fill.
void LookOfMainWindowBar(TLabelProgressBar& bar);

// The main window's top card: white, all corners cut, on button face.
void LookOfWhiteCard(TSpecialFrame& frame);

// The frame round the product logo, inside the white card.
void LookOfLogoFrame(TSpecialFrame& frame);

// One section box of the information panel.
void LookOfSectionBox(TTabedLabel& label);

}  // namespace vantrel::gallery
