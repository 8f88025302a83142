#include "tests/support/TestJpeg.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace vantrel::test {

namespace {

// Encodes `height` copies of one row of `components` samples per pixel.
std::vector<std::uint8_t> EncodeJpeg(int width, int height, const std::vector<std::uint8_t>& row,
                                     int components, J_COLOR_SPACE space, bool progressive) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> samples = row;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {samples.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

}  // namespace

std::vector<std::uint8_t> MakeJpeg(int width, int height, std::uint8_t red, std::uint8_t green,
                                   std::uint8_t blue) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (std::size_t x = 0; x + 2 < row.size(); x += 3) {
        row[x] = red;
        row[x + 1] = green;
        row[x + 2] = blue;
    }
    return EncodeJpeg(width, height, row, 3, JCS_RGB, false);
}

namespace {

std::vector<std::uint8_t> MakeProgressiveGreyJpeg(int width, int height) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        row[x] = static_cast<std::uint8_t>(x * 7);
    return EncodeJpeg(width, height, row, 1, JCS_GRAYSCALE, true);
}

bool IsMarker(const std::vector<std::uint8_t>& j, std::size_t i) {
    // 0xFF00 is a stuffed data byte and 0xFFD0..D7 are restart markers:
    // both belong to a scan's entropy-coded data.
    return j[i] == 0xFF && j[i + 1] != 0x00 && !(j[i + 1] >= 0xD0 && j[i + 1] <= 0xD7);
}

}  // namespace

std::vector<std::uint8_t> MakeJpegWithRepeatedScan(int width, int height, int copies) {
    const std::vector<std::uint8_t> jpeg = MakeProgressiveGreyJpeg(width, height);
    // Walk the segments to the first start-of-scan whose spectral start is
    // above 0 (an AC scan), and take it with its entropy-coded data.
    std::size_t scanBegin = 0, scanEnd = 0;
    for (std::size_t i = 2; i + 5 < jpeg.size() && scanEnd == 0;) {
        const std::uint8_t marker = jpeg[i + 1];
        const std::size_t length = static_cast<std::size_t>(jpeg[i + 2] << 8 | jpeg[i + 3]);
        if (marker != 0xDA) {
            i += 2 + length;
            continue;
        }
        const std::size_t components = jpeg[i + 4];
        const std::uint8_t spectralStart = jpeg[i + 5 + 2 * components];
        std::size_t end = i + 2 + length;
        while (end + 1 < jpeg.size() && !IsMarker(jpeg, end))
            ++end;
        if (spectralStart > 0) {
            scanBegin = i;
            scanEnd = end;
        }
        i = end;
    }
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.end() - 2);  // without end-of-image
    for (int n = 0; n < copies; ++n)
        out.insert(out.end(), jpeg.begin() + static_cast<long>(scanBegin),
                   jpeg.begin() + static_cast<long>(scanEnd));
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

}  // namespace vantrel::test
