#include "window/controls/Percent.h"

namespace vantrel {

std::int64_t NearestPercent(std::int64_t part, std::int64_t whole) {
    if (whole == 0)
        return 0;
    // Callers pass 32-bit counts or their differences, so part × 100 fits.
    std::int64_t numerator = part * 100;
    if (whole < 0) {
        numerator = -numerator;
        whole = -whole;
    }
    std::int64_t quotient = numerator / whole;  // truncated toward zero
    const std::int64_t remainder = numerator % whole;
    const std::int64_t twice = 2 * (remainder < 0 ? -remainder : remainder);
    if (twice > whole || (twice == whole && quotient % 2 != 0))
        quotient += remainder < 0 ? -1 : 1;
    return quotient;
}

}  // namespace vantrel
