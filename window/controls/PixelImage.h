// A small picture in memory for the controls: the fill and segment bitmaps
// and the strips they are drawn into. Pixels are 32 bits each, 0xAARRGGBB,
// row after row; an opaque image ignores the alpha byte.
#pragma once

#include <cstdint>
#include <vector>

#include "window/controls/Colors.h"
#include "window/geometry/Geometry.h"

namespace vantrel {

struct TPixelImage {
    int Width = 0;
    int Height = 0;
    // Whether the alpha byte counts; an opaque image is drawn as it is.
    bool HasAlpha = false;
    std::vector<std::uint32_t> Pixels;

    TPixelImage() = default;
    // An opaque image of `width` by `height` pixels, all `fill`. Throws
    // std::range_error when the size is negative or too big to hold.
    TPixelImage(int width, int height, std::uint32_t fill = 0xFF000000u);

    bool IsNull() const { return Width <= 0 || Height <= 0; }
    std::uint32_t At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
    std::uint32_t& At(int x, int y) { return Pixels[std::size_t(y) * Width + x]; }
    bool operator==(const TPixelImage&) const = default;
};

constexpr std::uint32_t OpaquePixel(TRgb color) {
    return 0xFF000000u | (std::uint32_t{color.Red} << 16) | (std::uint32_t{color.Green} << 8) |
           color.Blue;
}

// The part of `image` inside `rect`; pixels outside the image come out black.
TPixelImage CopyPart(const TPixelImage& image, const TRect& rect);

// `image` laid over black, as an opaque image: what drawing it onto a black
// strip gives (each channel premultiplied by its alpha, rounded the way the
// window system's blending rounds).
TPixelImage OverBlack(const TPixelImage& image);

// `image` with its alpha byte ignored, as an opaque image.
TPixelImage AlphaDropped(const TPixelImage& image);

// An opaque image of `width` by `height` filled with `pattern` repeated from
// its top-left corner; `pattern` must be opaque and not null.
TPixelImage Tiled(const TPixelImage& pattern, int width, int height);

}  // namespace vantrel
