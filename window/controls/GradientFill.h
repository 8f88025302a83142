// The two-colour linear gradient shared by the captioned text box, the
// progress bar's bands and the tray popup's background.
#pragma once

#include <cstdint>

#include "window/controls/Canvas.h"
#include "window/controls/Colors.h"

namespace vantrel {

inline constexpr std::uint8_t GRADIENT_FILL_RECT_H = 0;
inline constexpr std::uint8_t GRADIENT_FILL_RECT_V = 1;

// Fills `rect` (right column and bottom row excluded) with a gradient from
// `color1` to `color2`: mode 0 runs left to right, mode 1 top to bottom, each
// channel going from color1 on the first column (row) to color2 on the last.
// Throws std::range_error, drawing nothing, for a negative coordinate, a
// colour that is not RGB or an unknown mode.
void GradientFillRect(TCanvas& canvas, const TRect& rect, TColor color1, TColor color2,
                      std::uint8_t mode);

// The colour of step `index` of a gradient of `steps` steps, the way the
// fill computes it: channels as 16-bit values, interpolated, then cut to 8.
TRgb GradientStep(TRgb from, TRgb to, int index, int steps);

}  // namespace vantrel
