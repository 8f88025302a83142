// Writes the starting corpus for reply_reader_fuzz into the directory named
// on the command line. Every seed is made here from the reply writer and
// libjpeg, so the corpus carries no bytes from anywhere else.
//
// Each file starts with the mode byte of FuzzModes.h.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "fuzz/protocol/FuzzModes.h"
#include "protocol/ReplyContainer.h"
#include "protocol/ReplyReader.h"
#include "protocol/ReplyWriter.h"

namespace {

using vantrel::TProjectReplyContent;
using vantrel::TReplyFrame;
using vantrel::fuzz::FuzzOfferedRecord;
using vantrel::fuzz::TFuzzMode;
using Bytes = std::vector<std::uint8_t>;

struct TJpegShape {
    int Width = 16;
    int Height = 8;
    int Components = 3;  // 1 grey, 3 colour
    bool Progressive = false;
};

// A gradient rather than one flat colour, so that the entropy-coded data
// holds more than a run of zero coefficients.
Bytes MakeJpeg(const TJpegShape& shape) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(shape.Width);
    cinfo.image_height = static_cast<JDIMENSION>(shape.Height);
    cinfo.input_components = shape.Components;
    cinfo.in_color_space = shape.Components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    if (shape.Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes row(static_cast<std::size_t>(shape.Width) * static_cast<std::size_t>(shape.Components));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<std::uint8_t>(i * 7 + cinfo.next_scanline * 13);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

TProjectReplyContent Texts(bool compressed) {
    TProjectReplyContent c;
    c.ProductTitle = "Vantrel Mail Guard";
    c.ProductDescription = "Keeps the mailbox tidy and filters unwanted messages.";
    c.ProductFeatures = "Rules\r\nQuarantine\r\nReports";
    c.WebSiteURL = "http://www.orbisk.example/mailguard";
    c.DownloadURL = "http://downloads.orbisk.example/mailguard";
    c.NewVersionDescription = "Faster start-up.";
    c.NewVersionBugFixes = "Fixed a crash when the quarantine folder was missing.";
    c.NewVersionAddons = "Spam report export.";
    c.Promotion = "Upgrade to the Pro edition at half price this month.";
    c.Available = FuzzOfferedRecord();
    c.Compressed = compressed;
    return c;
}

TProjectReplyContent WithLogo(bool compressed, const Bytes& jpeg) {
    TProjectReplyContent c = Texts(compressed);
    c.NewVersionDescription.clear();
    c.NewVersionBugFixes.clear();
    c.NewVersionAddons.clear();
    c.Promotion.clear();
    c.ProductLogo = jpeg;
    return c;
}

// The plain body that BuildProjectReply would carry, for the CompressedBody mode.
Bytes PlainBody(const TProjectReplyContent& c) {
    Bytes body;
    for (const std::string* text : {&c.ProductTitle, &c.ProductDescription, &c.ProductFeatures,
                                    &c.WebSiteURL, &c.DownloadURL}) {
        vantrel::AppendReplyText(body, *text);
    }
    body.push_back(c.ProductLogo.empty() ? 0 : 1);
    body.insert(body.end(), c.ProductLogo.begin(), c.ProductLogo.end());
    if (c.ProductLogo.empty()) {
        for (const std::string* text :
             {&c.NewVersionDescription, &c.NewVersionBugFixes, &c.NewVersionAddons, &c.Promotion}) {
            vantrel::AppendReplyText(body, *text);
        }
    }
    return body;
}

class TSeedWriter {
public:
    explicit TSeedWriter(std::filesystem::path dir) : FDir(std::move(dir)) {}

    void Write(TFuzzMode mode, const std::string& name, const Bytes& bytes) {
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%02d-", FCount++);
        std::ofstream out(FDir / (prefix + name), std::ios::binary | std::ios::trunc);
        const char selector = static_cast<char>(mode);
        out.write(&selector, 1);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "make_seeds: cannot write " << name << '\n';
            std::exit(1);
        }
    }

    // A complete reply is useful both as fetched and resealed after mutation.
    void WriteReply(const std::string& name, const Bytes& reply) {
        Write(TFuzzMode::AsFetched, name, reply);
        Write(TFuzzMode::Resealed, name + "-resealed", reply);
    }

private:
    std::filesystem::path FDir;
    int FCount = 0;
};

void WriteReplySeeds(TSeedWriter& seeds, const Bytes& baseline, const Bytes& progressive) {
    using vantrel::BuildProjectReply;
    seeds.WriteReply("compressed-texts", BuildProjectReply(Texts(true)));
    seeds.WriteReply("stored-texts", BuildProjectReply(Texts(false)));
    seeds.WriteReply("compressed-logo", BuildProjectReply(WithLogo(true, baseline)));
    seeds.WriteReply("stored-logo", BuildProjectReply(WithLogo(false, progressive)));
    seeds.WriteReply("error-text", vantrel::BuildErrorReply("Maintenance"));
    seeds.WriteReply("error-empty", vantrel::BuildErrorReply(""));

    // The smallest kind-4 reply with its record wholly after the header.
    TReplyFrame empty;
    empty.Kind = vantrel::kReplyKindProjectInfo;
    empty.Available = FuzzOfferedRecord();
    seeds.WriteReply("smallest-project", vantrel::AssembleReply(empty));

    TReplyFrame unknown;
    unknown.Kind = 7;
    seeds.WriteReply("unknown-kind", vantrel::AssembleReply(unknown));

    seeds.Write(TFuzzMode::AsFetched, "eight-zero-bytes", Bytes(8, 0));

    // A text that declares more bytes than the reply holds, and one that is negative.
    TReplyFrame lengths;
    lengths.Kind = vantrel::kReplyKindProjectInfo;
    vantrel::AppendInt32LE(lengths.Body, -5);
    vantrel::AppendInt32LE(lengths.Body, 0x7FFFFFFF);
    lengths.Body.push_back('x');
    lengths.Available = FuzzOfferedRecord();
    seeds.WriteReply("odd-lengths", vantrel::AssembleReply(lengths));

    // A compressed body announced one byte longer than it inflates to.
    Bytes reply = BuildProjectReply(Texts(true));
    reply[60] = static_cast<std::uint8_t>(reply[60] + 1);
    seeds.Write(TFuzzMode::Resealed, "body-size-off-by-one", reply);
}

void WriteBodySeeds(TSeedWriter& seeds, const Bytes& baseline, const Bytes& progressive) {
    seeds.Write(TFuzzMode::CompressedBody, "body-texts", PlainBody(Texts(true)));
    seeds.Write(TFuzzMode::CompressedBody, "body-baseline-logo",
                PlainBody(WithLogo(true, baseline)));
    seeds.Write(TFuzzMode::CompressedBody, "body-progressive-logo",
                PlainBody(WithLogo(true, progressive)));
    seeds.Write(TFuzzMode::CompressedBody, "body-grey-logo",
                PlainBody(WithLogo(true, MakeJpeg({.Width = 9, .Height = 17, .Components = 1}))));
    Bytes cut = baseline;
    cut.resize(cut.size() / 2);
    seeds.Write(TFuzzMode::CompressedBody, "body-truncated-logo", PlainBody(WithLogo(true, cut)));
    seeds.Write(TFuzzMode::CompressedBody, "body-empty", {});
}

// Texts longer than the reader keeps, compressed so that the replies stay
// a few hundred bytes: the cut falls inside a three-byte and a four-byte
// character, after a whole one, and exactly at the end of a text.
void WriteCapSeeds(TSeedWriter& seeds) {
    const std::size_t cap = vantrel::kMaxReplyTextBytes;
    TProjectReplyContent c = Texts(true);
    c.ProductTitle = std::string(cap - 1, 'a') + "\xE2\x82\xAC tail";
    c.ProductDescription = std::string(cap - 3, 'b') + "\xF0\x9F\x98\x80 tail";
    c.ProductFeatures = std::string(cap - 2, 'c') + "\xC3\xA4 tail";
    c.Promotion = std::string(cap, 'd');
    seeds.WriteReply("texts-over-cap", vantrel::BuildProjectReply(c));

    // Only a body given whole lets the target compare the kept text with
    // its own reading, so this one is as long as the text.
    TProjectReplyContent cut = Texts(true);
    cut.ProductDescription = c.ProductDescription;
    seeds.Write(TFuzzMode::CompressedBody, "body-text-over-cap", PlainBody(cut));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_seeds <output directory>\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    TSeedWriter seeds(dir);
    const Bytes baseline = MakeJpeg({});
    const Bytes progressive = MakeJpeg({.Width = 24, .Height = 20, .Progressive = true});
    WriteReplySeeds(seeds, baseline, progressive);
    WriteBodySeeds(seeds, baseline, progressive);
    WriteCapSeeds(seeds);
    return 0;
}
