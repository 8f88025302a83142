#include <gtest/gtest.h>

#include "platform/JpegImage.h"
#include "tests/support/TestJpeg.h"

namespace vantrel {
namespace {

TEST(JpegImage, DecodesPixelsAndKeepsTheStreamUpToItsEnd) {
    const auto jpeg = test::MakeJpeg(16, 8, 250, 10, 10);
    std::vector<std::uint8_t> withTrailer = jpeg;
    withTrailer.insert(withTrailer.end(), 84, 0xAB);  // what follows the picture in a reply

    TJPEGImage image;
    image.LoadFromBuffer(withTrailer.data(), withTrailer.size());
    EXPECT_FALSE(image.Empty());
    EXPECT_EQ(image.Width(), 16);
    EXPECT_EQ(image.Height(), 8);
    ASSERT_EQ(image.Pixels().size(), 16u * 8u * 3u);
    EXPECT_GT(image.Pixels()[0], 200);  // red survives the lossy coding
    EXPECT_LT(image.Pixels()[1], 60);
    EXPECT_EQ(image.Data(), jpeg);
}

TEST(JpegImage, FailuresCarryLibjpegsTextAndLeaveTheImageEmpty) {
    TJPEGImage image;
    const auto good = test::MakeJpeg(4, 4);
    image.LoadFromBuffer(good.data(), good.size());

    const std::uint8_t notJpeg[] = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    try {
        image.LoadFromBuffer(notJpeg, sizeof notJpeg);
        FAIL() << "garbage decoded";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Not a JPEG file: starts with 0x47 0x49");
    }
    EXPECT_TRUE(image.Empty());
    EXPECT_TRUE(image.Data().empty());

    EXPECT_THROW(image.LoadFromBuffer(nullptr, 0), std::runtime_error);
}

TEST(JpegImage, TruncatedStreamsNeverReadPastTheBuffer) {
    const auto jpeg = test::MakeJpeg(32, 32);
    // Every cut either fails cleanly or decodes; under ASan any overread shows.
    for (std::size_t cut = 0; cut < jpeg.size(); cut += 7) {
        std::vector<std::uint8_t> part(jpeg.begin(), jpeg.begin() + static_cast<long>(cut));
        TJPEGImage image;
        try {
            image.LoadFromBuffer(part.data(), part.size());
        } catch (const std::runtime_error&) {
            EXPECT_TRUE(image.Empty());
        }
    }
}

TEST(JpegImage, RefusesDeclaredSizesAbove4096BeforeDecoding) {
    auto jpeg = test::MakeJpeg(8, 8);
    // Patch the SOF0 frame header's height and width to 5000 by 8.
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = 5000 >> 8;
            jpeg[i + 6] = 5000 & 0xFF;
            break;
        }
    }
    TJPEGImage image;
    try {
        image.LoadFromBuffer(jpeg.data(), jpeg.size());
        FAIL() << "oversized picture accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(image.Empty());
}

TEST(JpegImage, EndlesslyRepeatedScansAreRefusedNotDecodedForHours) {
    // A few repeats are a damaged but decodable picture.
    const auto fine = test::MakeJpegWithRepeatedScan(64, 64, 20);
    TJPEGImage image;
    image.LoadFromBuffer(fine.data(), fine.size());
    EXPECT_EQ(image.Width(), 64);

    const auto bomb = test::MakeJpegWithRepeatedScan(64, 64, 400);
    try {
        image.LoadFromBuffer(bomb.data(), bomb.size());
        FAIL() << "400 repeated scans decoded";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "JPEG image has too many scans (more than 200)");
    }
    EXPECT_TRUE(image.Empty());
}

}  // namespace
}  // namespace vantrel
