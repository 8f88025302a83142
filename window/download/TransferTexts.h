// The elapsed, speed and remaining-time texts of a progress event, in the
// user's locale, which the front end describes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vantrel {

// The parts of the user's locale the texts use.
struct TTransferLocale {
    // A time of day (milliseconds since midnight, below one day) in the
    // locale's long time format. Empty: "H:MM:SS".
    std::function<std::string(std::int64_t msOfDay)> TimeOfDay;
    std::string DecimalPoint = ".";
};

// A duration shown as a time of day, so that five minutes read "12:05:00 AM"
// on a 12-hour clock; a day and more wraps around.
std::string DurationAsTimeOfDay(std::int64_t milliseconds, const TTransferLocale& locale);

// "12.34 kb/sec": the rate's shortest decimal text, cut two characters after
// the decimal separator.
std::string SpeedText(double kilobytesPerSecond, const TTransferLocale& locale);

struct TTransferTexts {
    std::string ElapsedTime;
    std::string Speed;
    std::string EstimatedTime;
};

// `elapsedMs` is the time since the first data arrived, negative before.
TTransferTexts MakeTransferTexts(std::int64_t elapsedMs, std::uint64_t progress,
                                 std::uint64_t progressMax, const TTransferLocale& locale);

}  // namespace vantrel
