// The program's 32-bit colour values and the pixels they become. A value is
// either an RGB colour in blue-green-red byte order (0x00BBGGRR) or a named
// system colour (high byte 0xFF, low byte the system colour index); the named
// ones are looked up through the front end, so that a control drawn with
// clBtnFace matches the windows around it.
#pragma once

#include <cstdint>
#include <optional>

namespace vantrel {

using TColor = std::uint32_t;

inline constexpr TColor clSystemColor = 0xFF000000u;

inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor cl3DDkShadow = clSystemColor | 21;
inline constexpr TColor cl3DLight = clSystemColor | 22;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;

// A colour as a front end paints it: 8 bits per channel, opaque.
struct TRgb {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    bool operator==(const TRgb&) const = default;
};

// The value of an RGB colour, in blue-green-red byte order.
constexpr TColor RGBToColor(int red, int green, int blue) {
    return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

// The RGB value of system colour `index`, or nothing for an index the front
// end does not know. Every front end installs one before it draws.
using TSystemColorLookup = std::optional<TColor> (*)(std::uint32_t index);
void SetSystemColorLookup(TSystemColorLookup lookup);

// The plain RGB value of `color`: system colours resolved through the
// installed lookup. Throws std::range_error for a value that names no known
// system colour and is no RGB value either.
TColor ColorToRGB(TColor color);

// The same as the pixel colour that paints it.
TRgb ResolveRgb(TColor color);

}  // namespace vantrel
