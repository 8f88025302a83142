#include "window/controls/PixelImage.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

namespace vantrel {
namespace {

// One 8-bit channel times an 8-bit alpha, divided by 255 with rounding: the
// integer form (t + (t >> 8) + 0x80) >> 8 the window systems blend with.
std::uint32_t MultiplyChannel(std::uint32_t channel, std::uint32_t alpha) {
    const std::uint32_t t = channel * alpha;
    return (t + (t >> 8) + 0x80) >> 8;
}

}  // namespace

TPixelImage::TPixelImage(int width, int height, std::uint32_t fill) : Width(width), Height(height) {
    constexpr std::int64_t kMostPixels = std::numeric_limits<std::int32_t>::max() / 4;
    if (width < 0 || height < 0 || std::int64_t{width} * height > kMostPixels)
        throw std::range_error("Image of " + std::to_string(width) + " by " +
                               std::to_string(height) + " pixels is too big");
    Pixels.assign(std::size_t(width) * std::size_t(height), fill);
}

TPixelImage CopyPart(const TPixelImage& image, const TRect& rect) {
    TPixelImage part(std::max(0, rect.Width()), std::max(0, rect.Height()), 0);
    for (int y = 0; y < part.Height; ++y) {
        const int sy = rect.Top + y;
        if (sy < 0 || sy >= image.Height)
            continue;
        for (int x = 0; x < part.Width; ++x) {
            const int sx = rect.Left + x;
            if (sx >= 0 && sx < image.Width)
                part.At(x, y) = image.At(sx, sy);
        }
    }
    return part;
}

TPixelImage AlphaDropped(const TPixelImage& image) {
    TPixelImage out = image;
    out.HasAlpha = false;
    for (std::uint32_t& p : out.Pixels)
        p |= 0xFF000000u;
    return out;
}

TPixelImage OverBlack(const TPixelImage& image) {
    if (!image.HasAlpha)
        return AlphaDropped(image);
    TPixelImage out = image;
    out.HasAlpha = false;
    for (std::uint32_t& p : out.Pixels) {
        const std::uint32_t a = p >> 24;
        p = 0xFF000000u | (MultiplyChannel((p >> 16) & 0xFF, a) << 16) |
            (MultiplyChannel((p >> 8) & 0xFF, a) << 8) | MultiplyChannel(p & 0xFF, a);
    }
    return out;
}

TPixelImage Tiled(const TPixelImage& pattern, int width, int height) {
    TPixelImage out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.At(x, y) = pattern.At(x % pattern.Width, y % pattern.Height) | 0xFF000000u;
    return out;
}

}  // namespace vantrel
