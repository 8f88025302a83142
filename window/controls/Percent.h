// The percentage a control shows for a share of a whole.
#pragma once

#include <cstdint>

namespace vantrel {

// The integer nearest to part × 100 / whole, halves going to the even
// neighbour, in exact 64-bit arithmetic: byte counts above 21,474,836 times 100
// no longer fit 32 bits. A whole of 0 gives 0 rather than a division by zero.
std::int64_t NearestPercent(std::int64_t part, std::int64_t whole);

}  // namespace vantrel
