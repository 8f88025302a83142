#include "window/controls/Colors.h"

#include <atomic>
#include <stdexcept>
#include <string>

namespace vantrel {
namespace {

std::atomic<TSystemColorLookup> systemColorLookup{nullptr};

std::string HexText(TColor color) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += kDigits[(color >> shift) & 0xF];
    return text;
}

}  // namespace

void SetSystemColorLookup(TSystemColorLookup lookup) {
    systemColorLookup = lookup;
}

TColor ColorToRGB(TColor color) {
    const std::uint32_t kind = color >> 24;
    if (kind == 0)
        return color;
    if (kind == 0xFF) {
        if (const TSystemColorLookup lookup = systemColorLookup.load()) {
            // Only the RGB part counts: a lookup cannot hand back another name.
            if (const std::optional<TColor> rgb = lookup(color & 0x00FFFFFFu))
                return *rgb & 0x00FFFFFFu;
        }
    }
    throw std::range_error("Colour value " + HexText(color) + " is not an RGB colour");
}

TRgb ResolveRgb(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return {static_cast<std::uint8_t>(rgb & 0xFF), static_cast<std::uint8_t>((rgb >> 8) & 0xFF),
            static_cast<std::uint8_t>((rgb >> 16) & 0xFF)};
}

}  // namespace vantrel
