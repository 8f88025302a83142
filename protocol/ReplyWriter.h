// Writes server replies: for the vendor's authoring tool and for tests.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProductVersion.h"

namespace vantrel {

// What a project-information reply announces. Texts are in the system code
// page. With a logo the picture takes the rest of the body, so the four
// texts that follow it in the reply must then be empty.
struct TProjectReplyContent {
    std::string ProductTitle;
    std::string ProductDescription;
    std::string ProductFeatures;
    std::string WebSiteURL;
    std::string DownloadURL;
    std::vector<std::uint8_t> ProductLogo;  // JPEG data; empty for none
    std::string NewVersionDescription;
    std::string NewVersionBugFixes;
    std::string NewVersionAddons;
    std::string Promotion;
    TProductVersionRec Available;
    bool Compressed = true;
};

// A reply's parts as carried, for building well-formed and damaged replies alike.
struct TReplyFrame {
    std::uint8_t Kind = 0;
    std::uint8_t Compressed = 0;
    std::uint32_t CompressedSize = 0;
    std::uint32_t BodySize = 0;
    std::vector<std::uint8_t> Body;               // as carried: compressed bytes when compressed
    std::optional<TProductVersionRec> Available;  // appended after the body when set
};

// Header, body, record and trailer (payload length and byte sum).
std::vector<std::uint8_t> AssembleReply(const TReplyFrame& frame);

// Appends the trailer that makes `payload` an intact reply.
void AppendReplyTrailer(std::vector<std::uint8_t>& payload);

// A kind-4 reply. Throws std::invalid_argument when a logo is combined with
// texts that the client could never read.
std::vector<std::uint8_t> BuildProjectReply(const TProjectReplyContent& content);

// A kind-4 reply around a body given byte for byte, stored or compressed.
std::vector<std::uint8_t> ProjectReplyFromBody(std::span<const std::uint8_t> body,
                                               const TProductVersionRec& available,
                                               bool compressed);

// A kind-1 reply carrying the server's error text.
std::vector<std::uint8_t> BuildErrorReply(std::string_view text);

// Body encoding helpers.
void AppendInt32LE(std::vector<std::uint8_t>& out, std::int32_t value);
void AppendReplyText(std::vector<std::uint8_t>& out, std::string_view text);

// Raw DEFLATE (no header, no checksum) at the best compression.
std::vector<std::uint8_t> DeflateRaw(std::span<const std::uint8_t> data);

}  // namespace vantrel
