// Hue, saturation and luminance on the window system's 0..240 scale, used by
// the progress bar to derive its light and dark outline colours from one base.
#pragma once

#include "window/controls/Colors.h"

namespace vantrel {

struct THSL {
    int H = 0;
    int S = 0;
    int L = 0;
    bool operator==(const THSL&) const = default;
};

// H, S and L of `color`, each in 0..240.
THSL ColorToHSL(TColor color);

// The RGB colour of h, s and l. The hue is scaled by 239, not 240, which
// shifts hues slightly; kept, because stored colours were chosen with it.
// A hue of 240 or more wraps round to red. Throws std::range_error when a
// value lies outside 0..255 or a channel comes out of range.
TColor HSLToColor(int h, int s, int l);

// `color` with its luminance moved by `n` (capped to 0..255); 0 leaves the
// colour as it is. Throws std::range_error for |n| of 256 or more.
TColor AdjustLuminance(TColor color, int n);

}  // namespace vantrel
