#include "window/controls/ColorFunctions.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace vantrel {
namespace {

// Rounds to the nearest integer, halves to even.
int RoundEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

int ChannelByte(double channel) {
    const int value = RoundEven(std::min(channel, 1.0) * 255.0);
    if (value < 0 || value > 255)
        throw std::range_error("Colour channel out of range");
    return value;
}

void CheckHSLValue(int value) {
    if (value < 0 || value > 255)
        throw std::range_error("Hue, saturation or luminance out of range");
}

}  // namespace

THSL ColorToHSL(TColor color) {
    const TColor rgb = ColorToRGB(color);
    const double r = (rgb & 0xFF) / 255.0;
    const double g = ((rgb >> 8) & 0xFF) / 255.0;
    const double b = ((rgb >> 16) & 0xFF) / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double l = (max + min) / 2.0;
    double h = 0.0;
    double s = 0.0;
    if (max != min) {
        const double d = max - min;
        s = l >= 0.5 ? d / (2.0 - max - min) : d / (max + min);
        if (max == r)
            h = (g - b) / d;
        else if (max == g)
            h = (b - r) / d + 2.0;
        else
            h = (r - g) / d + 4.0;
        h /= 6.0;
        if (h < 0.0)
            h += 1.0;
    }
    return {RoundEven(h * 240.0), RoundEven(s * 240.0), RoundEven(l * 240.0)};
}

TColor HSLToColor(int h, int s, int l) {
    CheckHSLValue(h);
    CheckHSLValue(s);
    CheckHSLValue(l);
    const double lum = l / 240.0;
    const double sat = s / 240.0;
    const double v = lum < 0.5 ? lum * (1.0 + sat) : lum + sat - lum * sat;
    if (v <= 0.0)
        return RGBToColor(0, 0, 0);
    const double m = 2.0 * lum - v;
    const double scaled = h / 239.0 * 6.0;
    const int sextant = static_cast<int>(std::trunc(scaled));
    const double fraction = scaled - sextant;
    const double vsf = v * ((v - m) / v) * fraction;
    const double mid1 = m + vsf;
    const double mid2 = v - vsf;
    double red = 0, green = 0, blue = 0;
    switch (sextant % 6) {
        case 0:
            red = v, green = mid1, blue = m;
            break;
        case 1:
            red = mid2, green = v, blue = m;
            break;
        case 2:
            red = m, green = v, blue = mid1;
            break;
        case 3:
            red = m, green = mid2, blue = v;
            break;
        case 4:
            red = mid1, green = m, blue = v;
            break;
        default:
            red = v, green = m, blue = mid2;
            break;
    }
    return RGBToColor(ChannelByte(red), ChannelByte(green), ChannelByte(blue));
}

TColor AdjustLuminance(TColor color, int n) {
    if (n >= 256 || n <= -256)
        throw std::range_error("Luminance adjustment out of range");
    if (n == 0)
        return color;
    THSL hsl = ColorToHSL(color);
    hsl.L = n > 0 ? std::min(hsl.L + n, 255) : std::max(hsl.L + n, 0);
    return HSLToColor(hsl.H, hsl.S, hsl.L);
}

}  // namespace vantrel
