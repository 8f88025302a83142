#include "protocol/ReplyReader.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <vector>

#include "protocol/ReplyContainer.h"
#include "protocol/ServerMessages.h"

namespace vantrel {
namespace {

// The record sits in the 76 bytes before the trailer.
constexpr std::size_t kRecordFromEnd = kProductVersionRecSize + kReplyTrailerSize;

// Sequential reader over a body. Reading past the end never touches memory
// outside the body: a text is cut at the end, and a field whose bytes are
// missing reads as empty (length 0, flag 0).
class TReplyBodyReader {
public:
    // `body` bounds the fields; `logoArea` is what a picture may take from
    // the current position on (it starts where `body` starts and may reach
    // further).
    TReplyBodyReader(std::span<const std::uint8_t> body, std::span<const std::uint8_t> logoArea)
        : FBody(body), FLogoArea(logoArea) {}
    explicit TReplyBodyReader(std::span<const std::uint8_t> body) : TReplyBodyReader(body, body) {}

    std::string ReadText() {
        const std::int32_t length = ReadInt32();
        if (length <= 0)
            return {};
        const std::size_t take = std::min(static_cast<std::size_t>(length), Remaining());
        const std::size_t kept = std::min(take, kMaxReplyTextBytes);
        std::string text(reinterpret_cast<const char*>(FBody.data() + FPos), kept);
        FPos += take;
        if (kept < take)
            MarkCut(text);
        return text;
    }

    std::uint8_t ReadByte() {
        if (Remaining() < 1)
            return 0;
        return FBody[FPos++];
    }

    // The logo area from the current position on; no field is left after it.
    std::span<const std::uint8_t> TakeRest() {
        auto rest = FLogoArea.subspan(FPos);
        FPos = FBody.size();
        return rest;
    }

private:
    std::size_t Remaining() const { return FBody.size() - FPos; }

    // Not inside a UTF-8 sequence (the system code page here), so that the
    // cut text still converts whole: a last character whose bytes are not
    // all there goes.
    static void MarkCut(std::string& text) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
        std::size_t lead = text.size();
        while (lead > 0 && text.size() - lead < 4 && (byte(lead - 1) & 0xC0) == 0x80)
            --lead;
        if (lead > 0) {
            const unsigned char first = byte(lead - 1);
            const std::size_t length = first >= 0xF0   ? 4
                                       : first >= 0xE0 ? 3
                                       : first >= 0xC0 ? 2
                                                       : 1;
            if (text.size() - (lead - 1) < length)
                text.resize(lead - 1);
        }
        text += kReplyTextCutMark;
    }

    std::int32_t ReadInt32() {
        if (Remaining() < 4) {
            FPos = FBody.size();
            return 0;
        }
        const auto value = static_cast<std::int32_t>(ReadUInt32LE(FBody.data() + FPos));
        FPos += 4;
        return value;
    }

    std::span<const std::uint8_t> FBody;
    std::span<const std::uint8_t> FLogoArea;
    std::size_t FPos = 0;
};

void ReadProjectFields(TReplyBodyReader& body, TProjectInfo& info) {
    info.ProductTitle = body.ReadText();
    info.ProductDescription = body.ReadText();
    info.ProductFeatures = body.ReadText();
    info.WebSiteURL = body.ReadText();
    info.DownloadURL = body.ReadText();
    const std::uint8_t hasLogo = body.ReadByte();
    info.ProductLogo.Clear();
    if (hasLogo != 0) {
        // The picture takes the rest of the body, so the texts after it are
        // always empty when a logo is present.
        const auto jpeg = body.TakeRest();
        info.ProductLogo.LoadFromBuffer(jpeg.data(), jpeg.size());
    }
    info.NewVersionDescription = body.ReadText();
    info.NewVersionBugFixes = body.ReadText();
    info.NewVersionAddons = body.ReadText();
    info.Promotion = body.ReadText();
}

bool ReadProjectInfoReply(std::span<const std::uint8_t> reply, const TReplyHeader& header,
                          TProjectInfo& info, TProductVersionRec& available,
                          std::string& errorMessage) {
    // 72 to 83 bytes hold a header but no room for the product record.
    if (reply.size() < kRecordFromEnd) {
        errorMessage = IncorrectDataMessage();
        return false;
    }
    if (header.Compressed != 0) {
        const std::vector<std::uint8_t> body = DecompressBody(reply, header);
        TReplyBodyReader reader(body);
        ReadProjectFields(reader, info);
    } else {
        // A stored body ends where the record begins (it is empty when a
        // short reply makes the record overlap the header), but a picture
        // takes the whole rest of the reply: the decoder stops at the end
        // of its own stream.
        const std::size_t bodyEnd = std::max(kReplyHeaderSize, reply.size() - kRecordFromEnd);
        TReplyBodyReader reader(reply.subspan(kReplyHeaderSize, bodyEnd - kReplyHeaderSize),
                                reply.subspan(kReplyHeaderSize));
        ReadProjectFields(reader, info);
    }

    const auto record =
        reply.subspan(reply.size() - kRecordFromEnd).first<kProductVersionRecSize>();
    TProductVersionRec offered = ReadProductVersionRec(record);
    // The name becomes a file in the download directory; one that could
    // point elsewhere is refused rather than trusted.
    if (offered.Found && !IsSafePackageFileName(offered.FileName)) {
        errorMessage = IncorrectDataMessage();
        return false;
    }
    available = offered;
    return true;
}

}  // namespace

bool IsSafePackageFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || u < 0x20 || u == 0x7F;
    });
}

bool ReadProjectReply(std::span<const std::uint8_t> reply, TProjectInfo& info,
                      TProductVersionRec& available, std::string& errorMessage) {
    errorMessage.clear();
    try {
        if (reply.empty()) {
            errorMessage = NotSupportedMessage();
            return false;
        }
        if (!CheckReplyIntegrity(reply)) {
            errorMessage = BadDataMessage();
            return false;
        }
        // An intact reply too short for its header is of no known kind.
        const std::optional<TReplyHeader> header = ReadReplyHeader(reply);
        if (!header) {
            errorMessage = IncorrectDataMessage();
            return false;
        }
        switch (header->Kind) {
            case kReplyKindProjectInfo:
                return ReadProjectInfoReply(reply, *header, info, available, errorMessage);
            case kReplyKindError: {
                const std::size_t textEnd = reply.size() - kReplyTrailerSize;
                TReplyBodyReader reader(
                    reply.subspan(kReplyHeaderSize, textEnd - kReplyHeaderSize));
                errorMessage = ServerErrorMessage(reader.ReadText());
                return false;
            }
            default:
                errorMessage = IncorrectDataMessage();
                return false;
        }
    } catch (const std::bad_alloc&) {
        errorMessage = SystemErrorMessage("Out of memory");
    } catch (const std::exception& failure) {
        errorMessage = SystemErrorMessage(failure.what());
    }
    return false;
}

}  // namespace vantrel
