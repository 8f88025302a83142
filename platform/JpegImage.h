// A decoded JPEG picture: the product logo that a server reply may carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel {

class TJPEGImage {
public:
    // Pictures larger than this in either direction are refused before decoding.
    static constexpr int kMaxDimension = 4096;

    bool Empty() const { return FWidth == 0; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Decoded pixels: Height rows of Width RGB triplets, no padding.
    const std::vector<std::uint8_t>& Pixels() const { return FPixels; }
    // The JPEG stream itself, up to its end-of-image marker.
    const std::vector<std::uint8_t>& Data() const { return FData; }

    // Decodes `size` bytes; bytes after the end of the JPEG stream are not
    // part of the picture. Throws std::runtime_error carrying libjpeg's own
    // message when the data cannot be decoded; the image is then empty.
    void LoadFromBuffer(const std::uint8_t* data, std::size_t size);
    void Clear();

private:
    int FWidth = 0;
    int FHeight = 0;
    std::vector<std::uint8_t> FPixels;
    std::vector<std::uint8_t> FData;
};

}  // namespace vantrel
