// The elapsed, speed and remaining-time texts of a progress event, in the
// user's locale.
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

namespace vantrel {

// A duration shown as a time of day in the locale's long time format, so
// that five minutes read "12:05:00 AM" on a 12-hour clock; a day and more
// wraps around.
QString DurationAsTimeOfDay(std::int64_t milliseconds, const QLocale& locale = QLocale::system());

// "12.34 kb/sec": the rate's shortest decimal text, cut two characters after
// the decimal separator.
QString SpeedText(double kilobytesPerSecond, const QLocale& locale = QLocale::system());

struct TTransferTexts {
    QString ElapsedTime;
    QString Speed;
    QString EstimatedTime;
};

// `elapsedMs` is the time since the first data arrived, negative before.
TTransferTexts MakeTransferTexts(std::int64_t elapsedMs, std::uint64_t progress,
                                 std::uint64_t progressMax,
                                 const QLocale& locale = QLocale::system());

}  // namespace vantrel
