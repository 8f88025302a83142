// Date-time values as the update state stores them, and the clock.
#pragma once

#include <optional>
#include <string>

namespace vantrel {

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

struct TDate {
    int Year = 1899;
    unsigned Month = 12;
    unsigned Day = 30;

    bool operator==(const TDate&) const = default;
};

TDateTime EncodeDate(int year, unsigned month, unsigned day);
// The calendar date of a value (its time of day is dropped).
TDate DecodeDate(TDateTime value);
// 28 to 31.
unsigned DaysInMonth(int year, unsigned month);

// The current local date and time. The clock can be set, for tests and
// for reproducing a user's schedule: SetNowOverride wins, then the
// environment variable VANTREL_NOW ("YYYY-MM-DD" or "YYYY-MM-DDTHH:MM:SS",
// local time; read once), then the machine's clock.
TDateTime Now();
// Today's local date at midnight.
TDateTime Today();

void SetNowOverride(std::optional<TDateTime> now);

// "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM:SS"; nothing for any other text or a
// date that does not exist.
std::optional<TDateTime> ParseDateTimeText(const std::string& text);

}  // namespace vantrel
