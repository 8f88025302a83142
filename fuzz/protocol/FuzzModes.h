// How the reply-reader fuzz target turns one input into a reply. Shared by
// the target and the seed generator so that both agree on the first byte.
#pragma once

#include <cstdint>

#include "core/ProductVersion.h"

namespace vantrel::fuzz {

// Random bytes almost never carry a matching byte-sum trailer, so most
// inputs would stop at the integrity check. The first byte therefore picks
// how much of the reply the fuzzer has to get right itself.
enum class TFuzzMode : std::uint8_t {
    // The rest of the input is the reply exactly as fetched.
    AsFetched = 0,
    // The rest of the input is a reply whose last eight bytes are replaced
    // by a correct trailer: header, sizes and body are the fuzzer's.
    Resealed = 1,
    // The rest of the input is a plain kind-4 body; the target compresses it
    // and wraps it in a well-formed reply, so the field and picture readers
    // see fuzzer bytes that went through a real inflate.
    CompressedBody = 2,
};

inline constexpr std::uint8_t kFuzzModeCount = 3;

inline TFuzzMode FuzzModeOf(std::uint8_t selector) {
    return static_cast<TFuzzMode>(selector % kFuzzModeCount);
}

// A product record the reader accepts, used by the seeds and by the
// CompressedBody mode, so that such inputs can only fail in the body.
inline TProductVersionRec FuzzOfferedRecord() {
    return TProductVersionRec{true, 0x04000102, "VantrelSetup-4.0.1.2.exe"};
}

}  // namespace vantrel::fuzz
