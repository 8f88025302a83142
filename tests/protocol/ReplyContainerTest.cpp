#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "protocol/ReplyContainer.h"
#include "protocol/ReplyWriter.h"

namespace vantrel {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> out(n);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(random() % 7);  // compressible noise
    return out;
}

TEST(ReplyIntegrity, ChecksLengthAndWrappingByteSum) {
    EXPECT_FALSE(CheckReplyIntegrity({}));
    const std::uint8_t seven[7] = {};
    EXPECT_FALSE(CheckReplyIntegrity(seven));
    // Eight zero bytes: payload length 0, sum 0.
    const std::uint8_t eight[8] = {};
    EXPECT_TRUE(CheckReplyIntegrity(eight));

    // A sum that wraps past 2^32 still matches.
    TReplyFrame frame;
    frame.Kind = 4;
    frame.Body.assign(20'000'000, 0xFF);
    const auto big = AssembleReply(frame);
    EXPECT_TRUE(CheckReplyIntegrity(big));
    const std::uint64_t fullSum = 20'000'000ull * 0xFF + ReplyByteSum(std::span(big).first(64));
    EXPECT_EQ(ReadUInt32LE(big.data() + big.size() - 4), fullSum % (1ull << 32));
}

TEST(ReplyIntegrity, NegativeOrWrongPayloadLengthFails) {
    std::vector<std::uint8_t> reply = AssembleReply(TReplyFrame{});
    ASSERT_TRUE(CheckReplyIntegrity(reply));
    const std::size_t lengthAt = reply.size() - 8;
    reply[lengthAt] += 1;
    EXPECT_FALSE(CheckReplyIntegrity(reply));
    reply[lengthAt] -= 1;
    reply[reply.size() - 4] ^= 1;
    EXPECT_FALSE(CheckReplyIntegrity(reply));
    // 0xFFFFFFFF as a signed length is -1 and matches no size.
    std::vector<std::uint8_t> neg(16, 0);
    neg[8] = neg[9] = neg[10] = neg[11] = 0xFF;
    EXPECT_FALSE(CheckReplyIntegrity(neg));
}

TEST(ReplyHeader, NeedsRoomForHeaderAndTrailer) {
    std::vector<std::uint8_t> reply(71, 0);
    EXPECT_FALSE(ReadReplyHeader(reply).has_value());
    reply.resize(72);
    reply[52] = 4;
    reply[53] = 9;
    reply[56] = 0x10;
    reply[63] = 0x01;
    const auto header = ReadReplyHeader(reply);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->Kind, 4);
    EXPECT_EQ(header->Compressed, 9);
    EXPECT_EQ(header->CompressedSize, 0x10u);
    EXPECT_EQ(header->BodySize, 0x01000000u);
}

TEST(InflateBuffer, AcceptsExactlyTheExpectedSize) {
    const auto plain = Bytes(100'000, 1);
    const auto packed = DeflateRaw(plain);
    std::vector<std::uint8_t> out(plain.size());
    EXPECT_EQ(InflateBuffer(packed.data(), packed.size(), out.data(), out.size()), plain.size());
    EXPECT_EQ(out, plain);

    // One byte more or less than expected fails.
    std::vector<std::uint8_t> shorter(plain.size() - 1), longer(plain.size() + 1);
    EXPECT_EQ(InflateBuffer(packed.data(), packed.size(), shorter.data(), shorter.size()), 0u);
    EXPECT_EQ(InflateBuffer(packed.data(), packed.size(), longer.data(), longer.size()), 0u);
}

TEST(InflateBuffer, InputMustBeConsumedButTheEndMarkerIsOptional) {
    const auto plain = Bytes(5000, 2);
    auto packed = DeflateRaw(plain);
    std::vector<std::uint8_t> out(plain.size());

    // Bytes after the end of the stream are not consumed: failure.
    auto trailing = packed;
    trailing.push_back(0);
    EXPECT_EQ(InflateBuffer(trailing.data(), trailing.size(), out.data(), out.size()), 0u);

    // A stream cut before its last bytes produces too little: failure.
    EXPECT_EQ(InflateBuffer(packed.data(), packed.size() - 3, out.data(), out.size()), 0u);

    // A non-final stored block: all output produced, no end marker, accepted.
    std::vector<std::uint8_t> stored = {0x00, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e', 'l', 'l', 'o'};
    std::vector<std::uint8_t> five(5);
    EXPECT_EQ(InflateBuffer(stored.data(), stored.size(), five.data(), five.size()), 5u);
    EXPECT_EQ(std::string(five.begin(), five.end()), "hello");

    // Garbage is an error.
    std::vector<std::uint8_t> junk = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(InflateBuffer(junk.data(), junk.size(), five.data(), five.size()), 0u);
}

TEST(InflateBuffer, PendingOutputBeyondTheExpectedSizeFails) {
    // Long runs end in matches: with the input all consumed, the last match
    // can still hold bytes beyond the buffer.
    std::vector<std::uint8_t> plain(70'000, 'a');
    const auto packed = DeflateRaw(plain);
    std::vector<std::uint8_t> out(plain.size() - 100);
    EXPECT_EQ(InflateBuffer(packed.data(), packed.size(), out.data(), out.size()), 0u);
}

TEST(DeflateRaw, FinishesWhenTheOutputFillsZlibsBoundExactly) {
    // Fifteen nearly incompressible bytes whose stored form needs exactly
    // deflateBound's room: the first finishing call cannot end the stream.
    const std::vector<std::uint8_t> body = {0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea,
                                            0xf1, 0xf1, 0xea, 0xf5, 0xa5, 0xff, 0xd9};
    const auto packed = DeflateRaw(body);
    std::vector<std::uint8_t> out(body.size());
    EXPECT_EQ(InflateBuffer(packed.data(), packed.size(), out.data(), out.size()), body.size());
    EXPECT_EQ(out, body);
}

TEST(DecompressBody, RefusesImpossibleSizesBeforeAllocating) {
    const auto plain = Bytes(1000, 3);
    const auto packed = DeflateRaw(plain);
    TReplyFrame frame;
    frame.Kind = 4;
    frame.Compressed = 1;
    frame.Body = packed;
    frame.CompressedSize = static_cast<std::uint32_t>(packed.size());
    frame.BodySize = static_cast<std::uint32_t>(plain.size());
    const auto reply = AssembleReply(frame);
    EXPECT_EQ(DecompressBody(reply, *ReadReplyHeader(reply)), plain);

    auto expect_refused = [&](TReplyHeader header) {
        try {
            DecompressBody(reply, header);
            ADD_FAILURE() << "accepted body size " << header.BodySize << " from "
                          << header.CompressedSize;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Bad decompression detected!");
        }
    };
    TReplyHeader header = *ReadReplyHeader(reply);
    header.BodySize = 0xFFFFFFFFu;  // 4 GiB from the network
    expect_refused(header);
    header.BodySize = kMaxBodySize + 1;
    header.CompressedSize = static_cast<std::uint32_t>(reply.size() - 64);
    expect_refused(header);
    header.CompressedSize = 10;
    header.BodySize = 10 * 1032 + 1;  // more than DEFLATE can expand to
    expect_refused(header);
    header = *ReadReplyHeader(reply);
    header.CompressedSize = static_cast<std::uint32_t>(reply.size() - 64 + 1);  // past the end
    expect_refused(header);
    // An empty body still needs a stream that decodes to nothing.
    header.CompressedSize = static_cast<std::uint32_t>(packed.size());
    header.BodySize = 0;
    expect_refused(header);
}

}  // namespace
}  // namespace vantrel
