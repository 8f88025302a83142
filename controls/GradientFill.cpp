#include "controls/GradientFill.h"

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

QColor GradientStep(const QColor& from, const QColor& to, int index, int steps) {
    return QColor(Channel(from.red(), to.red(), index, steps),
                  Channel(from.green(), to.green(), index, steps),
                  Channel(from.blue(), to.blue(), index, steps));
}

void GradientFillRect(TCanvas& canvas, const TRect& rect, TColor color1, TColor color2,
                      std::uint8_t mode) {
    if (rect.Left < 0 || rect.Top < 0 || rect.Right < 0 || rect.Bottom < 0)
        throw std::range_error("Gradient rectangle has a negative coordinate");
    if (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V)
        throw std::range_error("Unknown gradient fill mode");
    const QColor from = ResolveColor(color1);
    const QColor to = ResolveColor(color2);
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
