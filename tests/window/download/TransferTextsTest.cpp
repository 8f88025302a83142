// The progress texts and the status names, with a fixed locale: the front
// end's own locale binding is tested with the front end.
#include <gtest/gtest.h>

#include "window/download/IEDownload.h"
#include "window/download/TransferTexts.h"

namespace vantrel {
namespace {

// A 12-hour clock without a leading zero and a comma for a separator, so
// that the locale's part in each text shows.
TTransferLocale TwelveHourComma() {
    TTransferLocale locale;
    locale.TimeOfDay = [](std::int64_t ms) {
        const std::int64_t s = ms / 1000;
        const std::int64_t hour = s / 3600 % 12 == 0 ? 12 : s / 3600 % 12;
        char text[32];
        std::snprintf(text, sizeof text, "%d:%02d:%02d %s", static_cast<int>(hour),
                      static_cast<int>(s / 60 % 60), static_cast<int>(s % 60),
                      s < 12 * 3600 ? "AM" : "PM");
        return std::string(text);
    };
    locale.DecimalPoint = ",";
    return locale;
}

TEST(TransferTexts, SpeedIsCutTwoPlacesAfterTheSeparator) {
    const TTransferLocale point;
    const TTransferLocale comma = TwelveHourComma();
    struct TRow {
        double Rate;
        const TTransferLocale& Locale;
        const char* Text;
    } rows[] = {
        {12.3456, point, "12.34 kb/sec"},
        {12.3456, comma, "12,34 kb/sec"},
        {7, point, "7 kb/sec"},
        {0.5, point, "0.5 kb/sec"},
        {1234567.891, point, "1234567.89 kb/sec"},
    };
    for (const TRow& row : rows) {
        EXPECT_EQ(SpeedText(row.Rate, row.Locale), row.Text) << row.Rate;
    }
}

TEST(TransferTexts, DurationsReadAsTimesOfDayAndWrap) {
    const TTransferLocale twelve = TwelveHourComma();
    EXPECT_EQ(DurationAsTimeOfDay(5LL * 60 * 1000, twelve), "12:05:00 AM");
    EXPECT_EQ(DurationAsTimeOfDay((25LL * 3600 + 1) * 1000, twelve), "1:00:01 AM");
    // Without a locale's format: hours, minutes, seconds.
    EXPECT_EQ(DurationAsTimeOfDay(3723LL * 1000, {}), "1:02:03");
}

TEST(TransferTexts, RateAndRemainingTimeFollowTheCounts) {
    const TTransferLocale twelve = TwelveHourComma();
    struct TRow {
        const char* Name;
        std::int64_t ElapsedMs;
        std::uint64_t Progress, Max;
        TTransferTexts Texts;
    } rows[] = {
        // 20000 bytes in 2 s: 10 kb/sec; 60000 bytes left take 6 s.
        {"running", 2000, 20000, 80000, {"12:00:02 AM", "10 kb/sec", "12:00:06 AM"}},
        {"unknown total", 2000, 20000, 0, {"12:00:02 AM", "10 kb/sec", ""}},
        {"nothing received yet", -1, 0, 80000, {"", "", ""}},
        {"no time passed", 0, 100, 200, {"12:00:00 AM", "0 kb/sec", ""}},
        // A count past the announced total leaves nothing to wait for.
        {"over-announced count", 1000, 3000, 2000, {"12:00:01 AM", "3 kb/sec", "12:00:00 AM"}},
    };
    for (const TRow& row : rows) {
        const TTransferTexts texts =
            MakeTransferTexts(row.ElapsedMs, row.Progress, row.Max, twelve);
        EXPECT_EQ(texts.ElapsedTime, row.Texts.ElapsedTime) << row.Name;
        EXPECT_EQ(texts.Speed, row.Texts.Speed) << row.Name;
        EXPECT_EQ(texts.EstimatedTime, row.Texts.EstimatedTime) << row.Name;
    }
}

TEST(TransferTexts, BindStatusNames) {
    EXPECT_EQ(BindStatusText(1), "Finding resource...");
    EXPECT_EQ(BindStatusText(5), "Downloading data...");
    EXPECT_EQ(BindStatusText(14), "Cache file name available...");
    EXPECT_EQ(BindStatusText(0), "Bindstatus Unknown");
    EXPECT_EQ(BindStatusText(15), "Bindstatus Unknown");
}

}  // namespace
}  // namespace vantrel
