#include "core/Dates.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vantrel {
namespace {

constexpr std::chrono::sys_days kEpoch = std::chrono::year_month_day(
    std::chrono::year(1899), std::chrono::December, std::chrono::day(30));

std::optional<TDateTime> NowOverride;

std::optional<TDateTime> NowFromEnvironment() {
    static const std::optional<TDateTime> fromEnvironment = []() -> std::optional<TDateTime> {
        const char* text = std::getenv("VANTREL_NOW");
        if (text == nullptr || *text == '\0')
            return std::nullopt;
        return ParseDateTimeText(text);
    }();
    return fromEnvironment;
}

TDateTime MachineNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return EncodeDate(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday)) +
           (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec) / 86400.0;
}

}  // namespace

TDateTime EncodeDate(int year, unsigned month, unsigned day) {
    const std::chrono::sys_days date = std::chrono::year_month_day(
        std::chrono::year(year), std::chrono::month(month), std::chrono::day(day));
    return static_cast<TDateTime>((date - kEpoch).count());
}

TDate DecodeDate(TDateTime value) {
    const std::chrono::year_month_day date(kEpoch +
                                           std::chrono::days(static_cast<long>(std::floor(value))));
    return {static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day())};
}

unsigned DaysInMonth(int year, unsigned month) {
    const std::chrono::year_month_day_last last{
        std::chrono::year{year}, std::chrono::month_day_last{std::chrono::month{month}}};
    return static_cast<unsigned>(last.day());
}

TDateTime Now() {
    if (NowOverride)
        return *NowOverride;
    if (const std::optional<TDateTime> fromEnvironment = NowFromEnvironment())
        return *fromEnvironment;
    return MachineNow();
}

TDateTime Today() {
    return std::floor(Now());
}

void SetNowOverride(std::optional<TDateTime> now) {
    NowOverride = now;
}

std::optional<TDateTime> ParseDateTimeText(const std::string& text) {
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int used = 0;
    const bool dateOnly =
        text.size() == 10 &&
        std::sscanf(text.c_str(), "%4d-%2u-%2u%n", &year, &month, &day, &used) == 3 && used == 10;
    const bool dateTime = !dateOnly && text.size() == 19 &&
                          std::sscanf(text.c_str(), "%4d-%2u-%2uT%2u:%2u:%2u%n", &year, &month,
                                      &day, &hour, &minute, &second, &used) == 6 &&
                          used == 19;
    if (!dateOnly && !dateTime)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                                           std::chrono::day{day}};
    if (!date.ok() || year < 1900 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return EncodeDate(year, month, day) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

}  // namespace vantrel
