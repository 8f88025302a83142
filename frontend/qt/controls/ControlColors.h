// The program's colour values (window/controls/Colors.h) as Qt paints them.
// The named system colours follow the application palette.
#pragma once

#include <QColor>

#include "window/controls/Colors.h"

namespace vantrel {

// Makes the core look system colours up in the application palette; every
// Qt entry point of the controls calls it, and it is cheap to repeat.
void UseApplicationPaletteColors();

// A program colour as a QColor, for painting. Throws std::range_error as
// ColorToRGB does.
QColor ResolveColor(TColor color);

inline QColor ToQColor(TRgb color) {
    return QColor(color.Red, color.Green, color.Blue);
}

// The nearest program colour value of a QColor (alpha dropped).
TColor QColorToColor(const QColor& color);

}  // namespace vantrel
