#include "protocol/ReplyContainer.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace vantrel {
namespace {

constexpr std::size_t kKindOffset = 52;
constexpr std::size_t kCompressedOffset = 53;
constexpr std::size_t kCompressedSizeOffset = 56;
constexpr std::size_t kBodySizeOffset = 60;
constexpr int kRawDeflate32KWindow = -15;

uInt ChunkOf(std::size_t bytes) {
    return static_cast<uInt>(std::min<std::size_t>(bytes, UINT_MAX));
}

// Inflates into exactly `outputSize` bytes. Success needs no error, all input
// consumed and exactly `outputSize` bytes produced; producing more is caught
// by offering one spare byte once the output is full.
bool InflateExact(const std::uint8_t* input, std::size_t inputSize, std::uint8_t* output,
                  std::size_t outputSize) {
    z_stream stream{};
    if (inflateInit2(&stream, kRawDeflate32KWindow) != Z_OK)
        return false;

    std::uint8_t spare = 0;
    const std::uint8_t* in = input;
    std::size_t inLeft = inputSize;
    std::uint8_t* out = output;
    std::size_t outLeft = outputSize;
    bool failed = false;
    for (;;) {
        const bool probing = outLeft == 0;
        std::uint8_t* target = probing ? &spare : out;
        stream.next_in = const_cast<Bytef*>(in);
        stream.avail_in = ChunkOf(inLeft);
        stream.next_out = target;
        stream.avail_out = probing ? 1 : ChunkOf(outLeft);

        const int rc = inflate(&stream, Z_NO_FLUSH);
        const std::size_t consumed = static_cast<std::size_t>(stream.next_in - in);
        const std::size_t made = static_cast<std::size_t>(stream.next_out - target);
        in += consumed;
        inLeft -= consumed;
        if (probing && made > 0) {
            failed = true;  // the stream holds more than the expected size
            break;
        }
        if (!probing) {
            out += made;
            outLeft -= made;
        }
        if (rc == Z_STREAM_END)
            break;
        if (rc == Z_BUF_ERROR)
            break;  // no progress possible: input or room ran out
        if (rc != Z_OK) {
            failed = true;
            break;
        }
    }
    inflateEnd(&stream);
    return !failed && inLeft == 0 && outLeft == 0;
}

}  // namespace

std::uint32_t ReadUInt32LE(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t ReplyByteSum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return sum;
}

bool CheckReplyIntegrity(std::span<const std::uint8_t> reply) {
    const std::size_t n = reply.size();
    if (n < kReplyTrailerSize)
        return false;
    const std::size_t payload = n - kReplyTrailerSize;
    const auto declaredLength = static_cast<std::int32_t>(ReadUInt32LE(reply.data() + payload));
    const std::uint32_t declaredSum = ReadUInt32LE(reply.data() + payload + 4);
    return declaredLength >= 0 && static_cast<std::size_t>(declaredLength) == payload &&
           declaredSum == ReplyByteSum(reply.first(payload));
}

std::optional<TReplyHeader> ReadReplyHeader(std::span<const std::uint8_t> reply) {
    if (reply.size() < kReplyHeaderSize + kReplyTrailerSize)
        return std::nullopt;
    TReplyHeader header;
    header.Kind = reply[kKindOffset];
    header.Compressed = reply[kCompressedOffset];
    header.CompressedSize = ReadUInt32LE(reply.data() + kCompressedSizeOffset);
    header.BodySize = ReadUInt32LE(reply.data() + kBodySizeOffset);
    return header;
}

std::size_t InflateBuffer(const std::uint8_t* input, std::size_t inputSize, std::uint8_t* output,
                          std::size_t outputSize) {
    return InflateExact(input, inputSize, output, outputSize) ? outputSize : 0;
}

std::vector<std::uint8_t> DecompressBody(std::span<const std::uint8_t> reply,
                                         const TReplyHeader& header) {
    const std::size_t available =
        reply.size() > kReplyHeaderSize ? reply.size() - kReplyHeaderSize : 0;
    const bool sizesPossible =
        header.BodySize <= kMaxBodySize && header.CompressedSize <= available &&
        header.BodySize <= std::uint64_t{header.CompressedSize} * kMaxDeflateExpansion;
    if (!sizesPossible)
        throw std::runtime_error(kBadDecompression);

    std::vector<std::uint8_t> body(header.BodySize);
    if (!InflateExact(reply.data() + kReplyHeaderSize, header.CompressedSize, body.data(),
                      body.size())) {
        throw std::runtime_error(kBadDecompression);
    }
    return body;
}

}  // namespace vantrel
