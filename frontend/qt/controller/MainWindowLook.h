// How the main window sets up its custom controls: the looks that its stored
// design cannot carry (colours in the program's own format, corners, the
// progress bar's drawing). The gallery, the benchmark and the control tests
// use the same setups, so that what they show is what the window shows.
#pragma once

#include <QComboBox>

#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/controls/SpecialFrame.h"
#include "frontend/qt/controls/TabedLabel.h"

namespace vantrel {

// The main window's download bar: 429 by 23, flat bold rounded border, smooth
// orange fill, a percent box floating right of the fill.
void LookOfMainWindowBar(TLabelProgressBar& bar);

// The main window's top card: white, all corners cut, on button face.
void LookOfWhiteCard(TSpecialFrame& frame);

// The frame round the product logo, inside the white card.
void LookOfLogoFrame(TSpecialFrame& frame);

// Rows of the list's drop-down `pixels` high, whatever the style would give.
void SetItemHeight(QComboBox& list, int pixels);

// One section box of the information panel.
void LookOfSectionBox(TTabedLabel& label);

}  // namespace vantrel
