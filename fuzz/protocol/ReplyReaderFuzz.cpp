// libFuzzer target for the client's reply reader. See FuzzModes.h for how
// the first input byte shapes the reply. Besides the sanitizers, the target
// checks properties that hold for every reply, so that a wrong result or a
// failure reported as success stops the run as well as a crash does.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProductVersion.h"
#include "core/ProjectInfo.h"
#include "fuzz/protocol/FuzzModes.h"
#include "platform/JpegImage.h"
#include "protocol/ReplyContainer.h"
#include "protocol/ReplyReader.h"
#include "protocol/ReplyWriter.h"
#include "protocol/ServerMessages.h"

namespace vantrel::fuzz {
namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "reply_reader_fuzz: property violated: %s\n", what);
    std::abort();
}

void Expect(bool holds, const char* what) {
    if (!holds)
        Fail(what);
}

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Written here byte by byte rather than through the writer, so that a fault
// in the container's own sum or length handling cannot cancel itself out.
std::vector<std::uint8_t> Reseal(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> reply(bytes.begin(), bytes.end());
    if (reply.size() < kReplyTrailerSize)
        reply.resize(kReplyTrailerSize, 0);
    const std::size_t payload = reply.size() - kReplyTrailerSize;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < payload; ++i)
        sum += reply[i];
    const auto length = static_cast<std::uint32_t>(payload);
    for (int i = 0; i < 4; ++i) {
        reply[payload + i] = static_cast<std::uint8_t>(length >> (8 * i));
        reply[payload + 4 + i] = static_cast<std::uint8_t>(sum >> (8 * i));
    }
    return reply;
}

// An independent reading of a plain body, used as the expected result for
// CompressedBody inputs. Missing length bytes read as an empty text.
struct TReferenceBody {
    std::string Texts[9];
    bool HasLogo = false;
};

class TReferenceReader {
public:
    explicit TReferenceReader(std::span<const std::uint8_t> body) : FBody(body) {}

    std::string Text() {
        if (FBody.size() - FPos < 4) {
            FPos = FBody.size();
            return {};
        }
        std::int32_t length = 0;
        for (int i = 3; i >= 0; --i) {
            length = static_cast<std::int32_t>(static_cast<std::uint32_t>(length) << 8 |
                                               FBody[FPos + static_cast<std::size_t>(i)]);
        }
        FPos += 4;
        if (length <= 0)
            return {};
        std::size_t take = static_cast<std::size_t>(length);
        if (take > FBody.size() - FPos)
            take = FBody.size() - FPos;
        std::string text(FBody.begin() + static_cast<std::ptrdiff_t>(FPos),
                         FBody.begin() + static_cast<std::ptrdiff_t>(FPos + take));
        FPos += take;
        if (text.size() > kMaxReplyTextBytes) {
            text.resize(kMaxReplyTextBytes);
            text.resize(text.size() - IncompleteTail(text));
            text += kReplyTextCutMark;
        }
        return text;
    }

    bool Flag() { return FPos < FBody.size() && FBody[FPos++] != 0; }

private:
    // The bytes of a last UTF-8 character that lacks some of its bytes: a
    // cut text must still convert whole.
    static std::size_t IncompleteTail(const std::string& text) {
        for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
            const auto byte = static_cast<unsigned char>(text[text.size() - back]);
            if ((byte & 0xC0) == 0x80)
                continue;
            const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return back < needed ? back : 0;
        }
        return 0;
    }

    std::span<const std::uint8_t> FBody;
    std::size_t FPos = 0;
};

TReferenceBody ReadReference(std::span<const std::uint8_t> body) {
    TReferenceReader reader(body);
    TReferenceBody expected;
    for (int i = 0; i < 5; ++i)
        expected.Texts[i] = reader.Text();
    expected.HasLogo = reader.Flag();
    if (!expected.HasLogo) {
        for (int i = 5; i < 9; ++i)
            expected.Texts[i] = reader.Text();
    }
    return expected;
}

const std::string* FieldsOf(const TProjectInfo& info, int index) {
    const std::string* fields[9] = {
        &info.ProductTitle,       &info.ProductDescription, &info.ProductFeatures,
        &info.WebSiteURL,         &info.DownloadURL,        &info.NewVersionDescription,
        &info.NewVersionBugFixes, &info.NewVersionAddons,   &info.Promotion};
    return fields[index];
}

// Holds for every reply, whatever its origin.
void CheckGeneralProperties(std::span<const std::uint8_t> reply, bool ok, const TProjectInfo& info,
                            const TProductVersionRec& available, const std::string& errorMessage) {
    Expect(ok == errorMessage.empty(), "the result and the error message disagree");

    // No field can hold more bytes than the reply or its largest allowed body.
    const std::size_t bound = reply.size() > kMaxBodySize ? reply.size() : kMaxBodySize;
    std::size_t textBytes = 0;
    for (int i = 0; i < 9; ++i)
        textBytes += FieldsOf(info, i)->size();
    Expect(textBytes <= bound, "the texts hold more bytes than any body could");
    for (int i = 0; i < 9; ++i) {
        Expect(FieldsOf(info, i)->size() <= kMaxReplyTextBytes + kReplyTextCutMark.size(),
               "a text is longer than the reader keeps");
    }

    const TJPEGImage& logo = info.ProductLogo;
    if (logo.Empty()) {
        Expect(logo.Pixels().empty() && logo.Data().empty(), "an empty logo keeps data");
    } else {
        Expect(logo.Width() > 0 && logo.Height() > 0 && logo.Width() <= TJPEGImage::kMaxDimension &&
                   logo.Height() <= TJPEGImage::kMaxDimension,
               "the logo's size is out of range");
        Expect(logo.Pixels().size() == static_cast<std::size_t>(logo.Width()) *
                                           static_cast<std::size_t>(logo.Height()) * 3,
               "the logo's pixel buffer does not match its size");
        Expect(!logo.Data().empty() && logo.Data().size() <= bound,
               "the logo's stream is empty or larger than any body");
        // Texts after a logo have no bytes left to come from.
        for (int i = 5; i < 9; ++i) {
            Expect(FieldsOf(info, i)->empty(), "a text after the logo is not empty");
        }
    }

    if (ok) {
        Expect(available.FileName.size() <= kProductFileNameMax, "the file name is too long");
        Expect(!available.Found || IsSafePackageFileName(available.FileName),
               "an unsafe package file name was accepted");
    }
}

void CheckResealed(std::span<const std::uint8_t> reply, const std::string& errorMessage) {
    Expect(errorMessage != BadDataMessage(), "a correctly sealed reply failed the integrity check");
    if (reply.size() < kReplyHeaderSize + kReplyTrailerSize) {
        Expect(errorMessage == IncorrectDataMessage(), "a headerless reply was not refused");
    }
}

void CheckCompressedBody(std::span<const std::uint8_t> body, bool ok, const TProjectInfo& info,
                         const TProductVersionRec& available, const std::string& errorMessage) {
    const TReferenceBody expected = ReadReference(body);
    if (!ok) {
        // Correct DEFLATE and a valid record leave only the picture to fail.
        Expect(expected.HasLogo, "a well-formed compressed reply without a logo failed");
        Expect(StartsWith(errorMessage, "System error.\r\n"),
               "a picture failure did not give the system-error message");
        Expect(info.ProductLogo.Empty(), "a picture that failed to load is not empty");
    } else {
        Expect(available == FuzzOfferedRecord(), "the product record was not read as written");
        Expect(expected.HasLogo != info.ProductLogo.Empty(), "the logo flag was not followed");
    }
    // Fields read before a failure keep what they received.
    for (int i = 0; i < 5; ++i) {
        Expect(*FieldsOf(info, i) == expected.Texts[i], "a text before the logo flag differs");
    }
    if (ok) {
        for (int i = 5; i < 9; ++i) {
            Expect(*FieldsOf(info, i) == expected.Texts[i], "a text after the logo flag differs");
        }
    }
}

}  // namespace
}  // namespace vantrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    using namespace vantrel::fuzz;
    if (size == 0)
        return 0;
    const TFuzzMode mode = FuzzModeOf(data[0]);
    const std::span<const std::uint8_t> rest(data + 1, size - 1);

    std::vector<std::uint8_t> built;
    std::span<const std::uint8_t> reply = rest;
    if (mode == TFuzzMode::Resealed) {
        built = Reseal(rest);
        reply = built;
    } else if (mode == TFuzzMode::CompressedBody) {
        built = ProjectReplyFromBody(rest, FuzzOfferedRecord(), true);
        reply = built;
    }

    TProjectInfo info;
    TProductVersionRec available;
    std::string errorMessage;
    const bool ok = ReadProjectReply(reply, info, available, errorMessage);

    CheckGeneralProperties(reply, ok, info, available, errorMessage);
    if (mode == TFuzzMode::Resealed)
        CheckResealed(reply, errorMessage);
    if (mode == TFuzzMode::CompressedBody) {
        CheckCompressedBody(rest, ok, info, available, errorMessage);
    }
    return 0;
}
