#include <gtest/gtest.h>

#include "protocol/ReplyContainer.h"
#include "protocol/ReplyReader.h"
#include "protocol/ReplyWriter.h"
#include "protocol/ServerMessages.h"
#include "tests/support/TestJpeg.h"

namespace vantrel {
namespace {

struct ReadOutcome {
    bool ok = false;
    TProjectInfo info;
    TProductVersionRec available;
    std::string error;
};

ReadOutcome Read(const std::vector<std::uint8_t>& reply) {
    ReadOutcome out;
    out.ok = ReadProjectReply(reply, out.info, out.available, out.error);
    return out;
}

TProjectReplyContent SampleContent(bool compressed) {
    TProjectReplyContent c;
    c.ProductTitle = "Orbisk";
    c.ProductDescription = "An add-in for your mail.";
    c.ProductFeatures = "Sorting\r\nFiltering";
    c.WebSiteURL = "http://www.orbisk.example/";
    c.DownloadURL = "http://download.orbisk.example/files";
    c.NewVersionDescription = "Faster start.";
    c.NewVersionBugFixes = "No more crash on empty folders.";
    c.NewVersionAddons = "Dark theme.";
    c.Promotion = "20% off this week.";
    c.Available = {true, 0x04000002u, "orbisk-4.0.0.2.exe"};
    c.Compressed = compressed;
    return c;
}

// A kind-4 reply whose body is given byte for byte and sent compressed.
std::vector<std::uint8_t> CompressedReply(const std::vector<std::uint8_t>& body,
                                          const TProductVersionRec& available = {true, 1,
                                                                                 "a.exe"}) {
    return ProjectReplyFromBody(body, available, true);
}

// A kind-4 reply whose body is given byte for byte, stored uncompressed.
std::vector<std::uint8_t> StoredReply(const std::vector<std::uint8_t>& body,
                                      const TProductVersionRec& available = {true, 2, "p.exe"}) {
    return ProjectReplyFromBody(body, available, false);
}

class ReplyReaderBothForms : public ::testing::TestWithParam<bool> {};

TEST_P(ReplyReaderBothForms, ReadsEveryFieldAndTheRecord) {
    const TProjectReplyContent c = SampleContent(GetParam());
    const ReadOutcome r = Read(BuildProjectReply(c));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.info.ProductTitle, c.ProductTitle);
    EXPECT_EQ(r.info.ProductDescription, c.ProductDescription);
    EXPECT_EQ(r.info.ProductFeatures, c.ProductFeatures);
    EXPECT_EQ(r.info.WebSiteURL, c.WebSiteURL);
    EXPECT_EQ(r.info.DownloadURL, c.DownloadURL);
    EXPECT_TRUE(r.info.ProductLogo.Empty());
    EXPECT_EQ(r.info.NewVersionDescription, c.NewVersionDescription);
    EXPECT_EQ(r.info.NewVersionBugFixes, c.NewVersionBugFixes);
    EXPECT_EQ(r.info.NewVersionAddons, c.NewVersionAddons);
    EXPECT_EQ(r.info.Promotion, c.Promotion);
    EXPECT_EQ(r.available, c.Available);
}

TEST_P(ReplyReaderBothForms, ALogoTakesTheRestOfTheBody) {
    TProjectReplyContent c = SampleContent(GetParam());
    c.NewVersionDescription = c.NewVersionBugFixes = c.NewVersionAddons = c.Promotion = "";
    c.ProductLogo = test::MakeJpeg(64, 48);
    const ReadOutcome r = Read(BuildProjectReply(c));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.info.ProductLogo.Width(), 64);
    EXPECT_EQ(r.info.ProductLogo.Height(), 48);
    EXPECT_EQ(r.info.ProductLogo.Data(), c.ProductLogo);
    EXPECT_EQ(r.info.Promotion, "");
    EXPECT_EQ(r.available, c.Available);
}

TEST_P(ReplyReaderBothForms, EveryPrefixAndEverySingleByteChangeIsRejected) {
    TProjectReplyContent c = SampleContent(GetParam());
    const auto reply = BuildProjectReply(c);

    for (std::size_t n = 0; n < reply.size(); ++n) {
        const std::vector<std::uint8_t> prefix(reply.begin(), reply.begin() + static_cast<long>(n));
        const ReadOutcome r = Read(prefix);
        ASSERT_FALSE(r.ok) << "prefix of " << n << " bytes accepted";
        ASSERT_EQ(r.error, n == 0 ? NotSupportedMessage() : BadDataMessage()) << n;
    }
    for (std::size_t at = 0; at < reply.size() - 8; ++at) {
        for (std::uint8_t delta : {0x01, 0x80}) {
            auto changed = reply;
            changed[at] = static_cast<std::uint8_t>(changed[at] + delta);
            const ReadOutcome r = Read(changed);
            ASSERT_FALSE(r.ok) << "change at " << at << " accepted";
            ASSERT_EQ(r.error, BadDataMessage()) << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(StoredAndCompressed, ReplyReaderBothForms, ::testing::Bool(),
                         [](const auto& test) { return test.param ? "Compressed" : "Stored"; });

TEST(ReplyReader, ErrorReplyCarriesTheServersText) {
    ReadOutcome r = Read(BuildErrorReply("Maintenance"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error,
              "Vantrel Server error.\r\nMaintenance\r\nPlease check internet connection or try "
              "again later.");

    r = Read(BuildErrorReply(""));
    EXPECT_EQ(r.error,
              "Vantrel Server error.\r\n\r\nPlease check internet connection or try again later.");

    // A declared length beyond the text's bytes is cut where the trailer begins.
    TReplyFrame frame;
    frame.Kind = kReplyKindError;
    AppendInt32LE(frame.Body, 1000);
    frame.Body.push_back('x');
    r = Read(AssembleReply(frame));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, ServerErrorMessage("x"));

    // Too short even for the length: an empty text.
    frame.Body = {0x05, 0x00};
    EXPECT_EQ(Read(AssembleReply(frame)).error, ServerErrorMessage(""));
}

TEST(ReplyReader, UnknownKindsAndShortIntactRepliesAreIncorrectData) {
    const std::string expected =
        "Vantrel Server error.\r\nIncorrect data returned\r\nPlease email this error to " +
        std::string("support@orbisk.example");
    EXPECT_EQ(IncorrectDataMessage(), expected);

    TReplyFrame frame;
    frame.Kind = 7;
    EXPECT_EQ(Read(AssembleReply(frame)).error, expected);

    // 8 zero bytes pass the integrity check but hold no header.
    EXPECT_EQ(Read(std::vector<std::uint8_t>(8, 0)).error, expected);
    // Any intact reply of 8 to 71 bytes.
    for (std::size_t payload : {1u, 40u, 63u}) {
        std::vector<std::uint8_t> shortReply(payload, kReplyKindProjectInfo);
        AppendReplyTrailer(shortReply);
        EXPECT_EQ(Read(shortReply).error, expected) << payload;
    }
    // Kind 4 with a header but no room for the 76-byte record (72 to 83 bytes).
    frame = TReplyFrame{};
    frame.Kind = kReplyKindProjectInfo;
    frame.Body.assign(11, 0);
    EXPECT_EQ(Read(AssembleReply(frame)).error, expected);
}

TEST(ReplyReader, TheRecordIsAlwaysTheLast76BytesBeforeTheTrailer) {
    // The smallest reply with the record after the header: 148 bytes.
    auto reply = StoredReply({}, {true, 0x04000002u, "pkg.exe"});
    ASSERT_EQ(reply.size(), 148u);
    ReadOutcome r = Read(reply);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.available.FileName, "pkg.exe");
    EXPECT_EQ(r.info.ProductTitle, "");

    // A shorter reply still takes the record from its end, here overlapping
    // the header: its Found byte is the kind byte at offset 52.
    std::vector<std::uint8_t> payload(128, 0);
    auto record = WriteProductVersionRec({true, 9, "x.exe"});
    record[0] = kReplyKindProjectInfo;
    std::copy(record.begin(), record.end(), payload.begin() + 52);
    AppendReplyTrailer(payload);
    r = Read(payload);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.available.Found);
    EXPECT_EQ(r.available.Version, 9u);
    EXPECT_EQ(r.available.FileName, "x.exe");
    EXPECT_EQ(r.info.ProductTitle, "");  // no body at all
}

TEST(ReplyReader, TextLengthsAreSignedAndCutAtTheEnd) {
    std::vector<std::uint8_t> body;
    AppendReplyText(body, "Title");
    AppendInt32LE(body, -5);  // empty, and only the length is consumed
    AppendReplyText(body, "Features");
    AppendReplyText(body, "");
    AppendReplyText(body, "http://dl");
    body.push_back(0);  // no logo
    AppendReplyText(body, "What is new");
    ReadOutcome r = Read(StoredReply(body));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.info.ProductTitle, "Title");
    EXPECT_EQ(r.info.ProductDescription, "");
    EXPECT_EQ(r.info.ProductFeatures, "Features");
    EXPECT_EQ(r.info.DownloadURL, "http://dl");
    EXPECT_EQ(r.info.NewVersionDescription, "What is new");

    // A length past everything is cut where the record begins; the fields
    // after it find nothing and are empty.
    body.clear();
    AppendInt32LE(body, 0x7FFFFFFF);
    body.insert(body.end(), {'a', 'b', 'c'});
    r = Read(StoredReply(body, {true, 1, "a.exe"}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.info.ProductTitle, "abc");
    EXPECT_EQ(r.info.ProductDescription, "");
    EXPECT_EQ(r.info.Promotion, "");
    EXPECT_EQ(r.available.FileName, "a.exe");

    // In a compressed body the cut is at the end of the decompressed bytes.
    body.clear();
    AppendInt32LE(body, 1 << 30);
    body.push_back('z');
    r = Read(CompressedReply(body));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.info.ProductTitle, "z");
}

// However long a text the server sends, the window gets one it can show at
// once: cut at the cap, never inside a character, and marked as cut.
TEST(ReplyReader, ALongTextIsCutAtTheCapAndMarked) {
    struct TCase {
        const char* Name;
        std::string Text;
        std::string Read;
    };
    const std::string cap(kMaxReplyTextBytes, 'a');
    const std::string capLessOne(kMaxReplyTextBytes - 1, 'a');
    const TCase cases[] = {
        {"exactly the cap", cap, cap},
        {"one byte more", cap + "b", cap + std::string(kReplyTextCutMark)},
        {"a character across the cap", capLessOne + "\xC3\xA9",
         capLessOne + std::string(kReplyTextCutMark)},
        {"60 MiB", std::string(std::size_t{60} << 20, 'x'),
         std::string(kMaxReplyTextBytes, 'x') + std::string(kReplyTextCutMark)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::uint8_t> body;
        AppendReplyText(body, "Title");
        for (int i = 0; i < 4; ++i)
            AppendReplyText(body, "");
        body.push_back(0);  // no logo
        AppendReplyText(body, c.Text);
        AppendReplyText(body, "Bug fixes");
        const ReadOutcome r = Read(CompressedReply(body));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.info.NewVersionDescription, c.Read);
        EXPECT_EQ(r.info.NewVersionBugFixes, "Bug fixes");  // the cut skips the rest
    }
}

TEST(ReplyReader, FailuresInsideTheReplyAreSystemErrors) {
    // Compressed flag with a body that does not inflate.
    TReplyFrame frame;
    frame.Kind = kReplyKindProjectInfo;
    frame.Compressed = 1;
    frame.Body = {1, 2, 3, 4, 5};
    frame.CompressedSize = 5;
    frame.BodySize = 100;
    frame.Available = TProductVersionRec{true, 1, "a.exe"};
    ReadOutcome r = Read(AssembleReply(frame));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error,
              "System error.\r\nBad decompression detected!\r\nPlease email this error to "
              "support@orbisk.example");

    // A logo flag before bytes that are no JPEG: libjpeg's own words.
    std::vector<std::uint8_t> body;
    for (int i = 0; i < 5; ++i)
        AppendReplyText(body, i == 0 ? "Kept" : "");
    body.push_back(1);
    body.insert(body.end(), {'n', 'o', 'p', 'e'});
    r = Read(StoredReply(body));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, SystemErrorMessage("Not a JPEG file: starts with 0x6e 0x6f"));
    // What was read before the failure stays.
    EXPECT_EQ(r.info.ProductTitle, "Kept");
    EXPECT_TRUE(r.info.ProductLogo.Empty());

    // A logo flag with nothing after it at all (a compressed body ends there).
    body.resize(body.size() - 4);
    r = Read(CompressedReply(body));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, SystemErrorMessage("Empty input file"));
}

TEST(ReplyReader, APackageNameThatLeavesTheDownloadDirectoryIsRefused) {
    const std::vector<std::string> badNames = {
        "",     ".",         "..",     "../evil.exe", "dir/pkg.exe", "dir\\pkg.exe",
        "a\nb", "tab\there", "del\x7f"};
    for (const std::string& bad : badNames) {
        ReadOutcome r = Read(StoredReply({}, {true, 5, bad}));
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.error, IncorrectDataMessage()) << bad;
        EXPECT_FALSE(r.available.Found) << "refused record was taken: " << bad;
    }
    // With nothing offered, the name is not a package and is not judged.
    ReadOutcome r = Read(StoredReply({}, {false, 0, ""}));
    EXPECT_TRUE(r.ok) << r.error;
    for (const char* good : {"orbisk-4.0.0.2.exe", "...x", "Setup Orbisk.msi", "ü.exe"}) {
        EXPECT_TRUE(Read(StoredReply({}, {true, 5, good})).ok) << good;
    }
}

TEST(ReplyReader, HeaderBytesOutsideKindAndSizesAreNotExamined) {
    auto reply = BuildProjectReply(SampleContent(true));
    for (std::size_t i = 0; i < 52; ++i)
        reply[i] = static_cast<std::uint8_t>(0xA0 + i);
    reply[54] = 0xEE;
    reply[55] = 0xDD;
    std::vector<std::uint8_t> resealed(reply.begin(), reply.end() - 8);
    AppendReplyTrailer(resealed);
    const ReadOutcome r = Read(resealed);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.info.Promotion, "20% off this week.");
}

TEST(ReplyWriter, RefusesALogoWithTextsTheClientCouldNotRead) {
    TProjectReplyContent c = SampleContent(true);
    c.ProductLogo = test::MakeJpeg(8, 8);
    EXPECT_THROW(BuildProjectReply(c), std::invalid_argument);
}

}  // namespace
}  // namespace vantrel
