// The outer form of a server reply: header, body, product record, trailer.
//
//   0..51   not examined
//   52      reply kind: 4 project information, 1 error text
//   53      compressed (kind 4): 0 stored, anything else raw DEFLATE
//   54..55  not examined
//   56..59  compressed size (uint32 LE): compressed bytes from offset 64
//   60..63  body size (uint32 LE): exact size after decompression
//   64..    body
//   N-84    available product record (kind 4), 76 bytes, never compressed
//   N-8     payload length (int32 LE), must be N - 8
//   N-4     byte sum of bytes 0..N-9 (uint32 LE, wrapping)
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vantrel {

inline constexpr std::size_t kReplyHeaderSize = 64;
inline constexpr std::size_t kReplyTrailerSize = 8;
inline constexpr std::uint8_t kReplyKindError = 1;
inline constexpr std::uint8_t kReplyKindProjectInfo = 4;

// A compressed body larger than this is refused before anything is allocated.
inline constexpr std::uint32_t kMaxBodySize = 64u * 1024u * 1024u;
// No DEFLATE stream expands by more than this factor: every 258-byte match
// costs at least two bits.
inline constexpr std::uint64_t kMaxDeflateExpansion = 1032;

inline constexpr const char* kBadDecompression = "Bad decompression detected!";

struct TReplyHeader {
    std::uint8_t Kind = 0;
    std::uint8_t Compressed = 0;
    std::uint32_t CompressedSize = 0;
    std::uint32_t BodySize = 0;
};

// Sum of every byte of `bytes` as unsigned, in wrapping 32-bit arithmetic.
std::uint32_t ReplyByteSum(std::span<const std::uint8_t> bytes);

// True when the trailer's payload length equals N - 8 and its byte sum
// matches bytes 0..N-9. A reply shorter than 8 bytes is never intact.
bool CheckReplyIntegrity(std::span<const std::uint8_t> reply);

// The header, or nothing when the reply cannot hold header and trailer.
std::optional<TReplyHeader> ReadReplyHeader(std::span<const std::uint8_t> reply);

// Raw-inflates `inputSize` bytes into exactly `outputSize` bytes. Returns the
// number produced, or 0 unless no error was reported, every input byte was
// consumed and exactly `outputSize` bytes came out. The stream need not
// reach its end marker.
std::size_t InflateBuffer(const std::uint8_t* input, std::size_t inputSize, std::uint8_t* output,
                          std::size_t outputSize);

// The decompressed body of a compressed kind-4 reply. Throws
// std::runtime_error(kBadDecompression) when the sizes are impossible or the
// data does not inflate to exactly the body size.
std::vector<std::uint8_t> DecompressBody(std::span<const std::uint8_t> reply,
                                         const TReplyHeader& header);

std::uint32_t ReadUInt32LE(const std::uint8_t* p);

}  // namespace vantrel
