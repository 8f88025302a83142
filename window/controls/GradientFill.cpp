#include "window/controls/GradientFill.h"

#include <cstdint>
#include <stdexcept>

namespace vantrel {
namespace {

int Channel(int from, int to, int index, int steps) {
    if (steps <= 1)
        return from;
    const std::int64_t from16 = std::int64_t{from} * 256;
    const std::int64_t to16 = std::int64_t{to} * 256;
    const std::int64_t value = from16 + (to16 - from16) * index / (steps - 1);
    return static_cast<int>(value >> 8);
}

}  // namespace

TRgb GradientStep(TRgb from, TRgb to, int index, int steps) {
    return {static_cast<std::uint8_t>(Channel(from.Red, to.Red, index, steps)),
            static_cast<std::uint8_t>(Channel(from.Green, to.Green, index, steps)),
            static_cast<std::uint8_t>(Channel(from.Blue, to.Blue, index, steps))};
}

void GradientFillRect(TCanvas& canvas, const TRect& rect, TColor color1, TColor color2,
                      std::uint8_t mode) {
    if (rect.Left < 0 || rect.Top < 0 || rect.Right < 0 || rect.Bottom < 0)
        throw std::range_error("Gradient rectangle has a negative coordinate");
    if (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V)
        throw std::range_error("Unknown gradient fill mode");
    const TRgb from = ResolveRgb(color1);
    const TRgb to = ResolveRgb(color2);
    if (rect.IsEmpty())
        return;
    if (mode == GRADIENT_FILL_RECT_V) {
        const int steps = rect.Height();
        for (int i = 0; i < steps; ++i)
            canvas.FillRect({rect.Left, rect.Top + i, rect.Right, rect.Top + i + 1},
                            GradientStep(from, to, i, steps));
    } else {
        const int steps = rect.Width();
        for (int i = 0; i < steps; ++i)
            canvas.FillRect({rect.Left + i, rect.Top, rect.Left + i + 1, rect.Bottom},
                            GradientStep(from, to, i, steps));
    }
}

}  // namespace vantrel
