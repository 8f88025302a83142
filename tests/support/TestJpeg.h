// Small JPEG pictures made with libjpeg for the tests.
#pragma once

#include <cstdint>
#include <vector>

namespace vantrel::test {

// A baseline JPEG of the given size, filled with one colour.
std::vector<std::uint8_t> MakeJpeg(int width, int height, std::uint8_t red = 200,
                                   std::uint8_t green = 40, std::uint8_t blue = 40);

// A grey progressive JPEG whose first AC scan is repeated `copies` more
// times: decodable, but each repeat costs a pass over the whole picture.
std::vector<std::uint8_t> MakeJpegWithRepeatedScan(int width, int height, int copies);

}  // namespace vantrel::test
