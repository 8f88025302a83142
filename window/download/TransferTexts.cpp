#include "window/download/TransferTexts.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace vantrel {

namespace {

constexpr std::int64_t kMsPerDay = 24LL * 60 * 60 * 1000;

std::string PlainTimeOfDay(std::int64_t ms) {
    const auto seconds = static_cast<int>(ms / 1000);
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

}  // namespace

std::string DurationAsTimeOfDay(std::int64_t milliseconds, const TTransferLocale& locale) {
    const std::int64_t ms = ((milliseconds % kMsPerDay) + kMsPerDay) % kMsPerDay;
    return locale.TimeOfDay ? locale.TimeOfDay(ms) : PlainTimeOfDay(ms);
}

std::string SpeedText(double kilobytesPerSecond, const TTransferLocale& locale) {
    // The C locale's digits whatever the process's locale, then the user's
    // separator in place of the point.
    char digits[64];
    const auto written = std::to_chars(digits, digits + sizeof digits, kilobytesPerSecond,
                                       std::chars_format::general, 15);
    std::string text(digits, written.ec == std::errc() ? written.ptr : digits);
    const auto point = text.find('.');
    if (point != std::string::npos) {
        text.replace(point, 1, locale.DecimalPoint);
        // Two characters after the separator, as the window has always shown.
        text.resize(std::min(text.size(), point + locale.DecimalPoint.size() + 2));
    }
    return text + " kb/sec";
}

TTransferTexts MakeTransferTexts(std::int64_t elapsedMs, std::uint64_t progress,
                                 std::uint64_t progressMax, const TTransferLocale& locale) {
    TTransferTexts texts;
    if (elapsedMs < 0) {
        // Nothing has arrived yet: no rate to speak of.
        return texts;
    }
    texts.ElapsedTime = DurationAsTimeOfDay(elapsedMs, locale);
    // Bytes per millisecond are kilobytes (1000 bytes) per second.
    const double rate =
        elapsedMs > 0 ? static_cast<double>(progress) / static_cast<double>(elapsedMs) : 0.0;
    texts.Speed = SpeedText(rate, locale);
    if (progressMax != 0 && rate > 0) {
        // A total below the count (a server that under-announced) leaves
        // nothing to wait for rather than a wrapped-around eternity.
        const double remaining =
            progressMax > progress ? static_cast<double>(progressMax - progress) : 0.0;
        texts.EstimatedTime =
            DurationAsTimeOfDay(static_cast<std::int64_t>(remaining / rate), locale);
    }
    return texts;
}

}  // namespace vantrel
