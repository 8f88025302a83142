#include "platform/JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace vantrel {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
// It jumps back to DecodeJpeg with the formatted message; no C++ object
// with a destructor is created between the setjmp and any libjpeg call.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// A progressive stream may repeat scans without limit, and every scan walks
// the whole coefficient buffer: a few kilobytes can keep the decoder busy
// for hours. Real pictures need a few dozen scans at most.
constexpr int kMaxScans = 200;

void OnJpegProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor)
        return;
    const int scan = reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number;
    if (scan <= kMaxScans)
        return;
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::snprintf(manager->message, JMSG_LENGTH_MAX, "JPEG image has too many scans (more than %d)",
                  kMaxScans);
    std::longjmp(manager->jump, 1);
}

// Warnings (a corrupt but decodable stream) are not shown to anyone.
void OnJpegMessage(j_common_ptr, int) {}

struct DecodeOutcome {
    bool ok = false;
    bool tooLarge = false;
    int width = 0;
    int height = 0;
    std::size_t consumed = 0;
};

DecodeOutcome DecodeJpeg(const std::uint8_t* data, std::size_t size,
                         std::vector<std::uint8_t>& pixels, char* message) {
    DecodeOutcome outcome;
    jpeg_decompress_struct cinfo{};
    JpegErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = &OnJpegError;
    errors.base.emit_message = &OnJpegMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = &OnJpegProgress;

    if (setjmp(errors.jump) != 0) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        jpeg_destroy_decompress(&cinfo);
        return DecodeOutcome{};
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress;
    // jpeg_mem_src takes an unsigned long count; a larger buffer is cut,
    // which only matters past 4 GiB on 32-bit hosts.
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    if (cinfo.image_width > TJPEGImage::kMaxDimension ||
        cinfo.image_height > TJPEGImage::kMaxDimension) {
        std::snprintf(message, JMSG_LENGTH_MAX,
                      "JPEG image is too large (%u by %u pixels, at most %d by %d)",
                      cinfo.image_width, cinfo.image_height, TJPEGImage::kMaxDimension,
                      TJPEGImage::kMaxDimension);
        jpeg_destroy_decompress(&cinfo);
        outcome.tooLarge = true;
        return outcome;
    }

    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
    pixels.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);

    outcome.ok = true;
    outcome.width = static_cast<int>(cinfo.output_width);
    outcome.height = static_cast<int>(cinfo.output_height);
    outcome.consumed = size - cinfo.src->bytes_in_buffer;
    jpeg_destroy_decompress(&cinfo);
    return outcome;
}

}  // namespace

void TJPEGImage::LoadFromBuffer(const std::uint8_t* data, std::size_t size) {
    Clear();
    std::vector<std::uint8_t> pixels;
    char message[JMSG_LENGTH_MAX] = {};
    const DecodeOutcome outcome = DecodeJpeg(data, size, pixels, message);
    if (!outcome.ok)
        throw std::runtime_error(message);

    FWidth = outcome.width;
    FHeight = outcome.height;
    FPixels = std::move(pixels);
    FData.assign(data, data + outcome.consumed);
}

void TJPEGImage::Clear() {
    FWidth = 0;
    FHeight = 0;
    FPixels.clear();
    FData.clear();
}

}  // namespace vantrel
