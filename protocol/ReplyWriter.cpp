#include "protocol/ReplyWriter.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "protocol/ReplyContainer.h"

namespace vantrel {
namespace {

constexpr std::string_view kReplySignature = "Vantrel reply";

void AppendUInt32LE(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutUInt32LE(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t CheckedSize(std::size_t size, const char* what) {
    if (size > INT32_MAX)
        throw std::length_error(std::string(what) + " is larger than 2 GiB");
    return static_cast<std::uint32_t>(size);
}

std::vector<std::uint8_t> ProjectBody(const TProjectReplyContent& c) {
    std::vector<std::uint8_t> body;
    for (const std::string* text : {&c.ProductTitle, &c.ProductDescription, &c.ProductFeatures,
                                    &c.WebSiteURL, &c.DownloadURL}) {
        AppendReplyText(body, *text);
    }
    if (!c.ProductLogo.empty()) {
        body.push_back(1);
        body.insert(body.end(), c.ProductLogo.begin(), c.ProductLogo.end());
        return body;
    }
    body.push_back(0);
    for (const std::string* text :
         {&c.NewVersionDescription, &c.NewVersionBugFixes, &c.NewVersionAddons, &c.Promotion}) {
        AppendReplyText(body, *text);
    }
    return body;
}

}  // namespace

void AppendInt32LE(std::vector<std::uint8_t>& out, std::int32_t value) {
    AppendUInt32LE(out, static_cast<std::uint32_t>(value));
}

void AppendReplyText(std::vector<std::uint8_t>& out, std::string_view text) {
    AppendInt32LE(out, static_cast<std::int32_t>(CheckedSize(text.size(), "a text")));
    out.insert(out.end(), text.begin(), text.end());
}

std::vector<std::uint8_t> AssembleReply(const TReplyFrame& frame) {
    // Sized once and filled in place: growing a 64-byte vector by insert
    // trips a false -Warray-bounds in GCC 12 at -O3.
    const std::size_t recordSize = frame.Available ? kProductVersionRecSize : 0;
    const std::size_t payloadSize = kReplyHeaderSize + frame.Body.size() + recordSize;
    const std::uint32_t payload = CheckedSize(payloadSize, "the reply");
    std::vector<std::uint8_t> reply(payloadSize + kReplyTrailerSize, 0);
    // The client never looks at the first bytes; a signature there tells a
    // person with a hex viewer what the file is, and keeps a cut-off prefix
    // of a reply from looking like the intact eight-zero-byte reply.
    std::copy(kReplySignature.begin(), kReplySignature.end(), reply.begin());
    reply[52] = frame.Kind;
    reply[53] = frame.Compressed;
    PutUInt32LE(reply, 56, frame.CompressedSize);
    PutUInt32LE(reply, 60, frame.BodySize);
    auto at = std::copy(frame.Body.begin(), frame.Body.end(), reply.begin() + kReplyHeaderSize);
    if (frame.Available) {
        const auto record = WriteProductVersionRec(*frame.Available);
        std::copy(record.begin(), record.end(), at);
    }
    const std::uint32_t sum = ReplyByteSum(std::span(reply).first(payloadSize));
    PutUInt32LE(reply, payloadSize, payload);
    PutUInt32LE(reply, payloadSize + 4, sum);
    return reply;
}

void AppendReplyTrailer(std::vector<std::uint8_t>& payload) {
    const std::uint32_t length = CheckedSize(payload.size(), "the reply");
    const std::uint32_t sum = ReplyByteSum(payload);
    AppendUInt32LE(payload, length);
    AppendUInt32LE(payload, sum);
}

std::vector<std::uint8_t> BuildProjectReply(const TProjectReplyContent& content) {
    const bool textsAfterLogo = !content.NewVersionDescription.empty() ||
                                !content.NewVersionBugFixes.empty() ||
                                !content.NewVersionAddons.empty() || !content.Promotion.empty();
    if (!content.ProductLogo.empty() && textsAfterLogo) {
        throw std::invalid_argument(
            "a logo takes the rest of the reply body: NewVersionDescription, "
            "NewVersionBugFixes, NewVersionAddons and Promotion must be empty when "
            "ProductLogo is given");
    }
    return ProjectReplyFromBody(ProjectBody(content), content.Available, content.Compressed);
}

std::vector<std::uint8_t> ProjectReplyFromBody(std::span<const std::uint8_t> body,
                                               const TProductVersionRec& available,
                                               bool compressed) {
    TReplyFrame frame;
    frame.Kind = kReplyKindProjectInfo;
    frame.Available = available;
    if (compressed) {
        frame.Compressed = 1;
        frame.BodySize = CheckedSize(body.size(), "the body");
        if (frame.BodySize > kMaxBodySize) {
            throw std::length_error("the body is larger than the client accepts (64 MiB)");
        }
        frame.Body = DeflateRaw(body);
        frame.CompressedSize = CheckedSize(frame.Body.size(), "the compressed body");
    } else {
        frame.Body.assign(body.begin(), body.end());
    }
    return AssembleReply(frame);
}

std::vector<std::uint8_t> BuildErrorReply(std::string_view text) {
    TReplyFrame frame;
    frame.Kind = kReplyKindError;
    AppendReplyText(frame.Body, text);
    return AssembleReply(frame);
}

std::vector<std::uint8_t> DeflateRaw(std::span<const std::uint8_t> data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("zlib could not start compressing");
    }
    std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(data.size())));
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    // One call is not always enough: when the output exactly fills the bound
    // (zlib 1.2.13 with memLevel 9 on a few incompressible bytes) deflate
    // returns Z_OK and finishes only on a further call with room to spare.
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (stream.total_out == out.size())
            out.resize(out.size() + out.size() / 4 + 64);
        stream.next_out = out.data() + stream.total_out;
        stream.avail_out = static_cast<uInt>(out.size() - stream.total_out);
        rc = deflate(&stream, Z_FINISH);
    }
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("zlib could not compress the body");
    return out;
}

}  // namespace vantrel
