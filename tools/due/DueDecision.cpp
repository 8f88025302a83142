#include "tools/due/DueDecision.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/UpdateModes.h"
#include "core/UpdateStateStore.h"

namespace vantrel::tools {
namespace {

using platform::TRegKey;
using platform::TRegValue;

// The dates a date-time value can name (years 1 to 9999); beyond them the
// stored bytes are noise, and decoding them would overflow the calendar.
constexpr TDateTime kFirstDate = -693593;  // 0001-01-01
constexpr TDateTime kLastDate = 2958465;   // 9999-12-31

// The client's loader refuses a value of a text or number type, or one
// longer than its field, and then drops the whole key; so does this reader.
void CheckFieldValue(const TRegKey& key, const char* name, std::size_t room) {
    const TRegValue* value = key.Find(name);
    if (value == nullptr)
        return;
    if (value->Type == platform::RegString || value->Type == platform::RegExpandString ||
        value->Type == platform::RegDWord)
        throw TDamagedState(std::string("\"") + name + "\" has a text or number type");
    if (value->Data.size() > room)
        throw TDamagedState(std::string("\"") + name + "\" is longer than " + std::to_string(room) +
                            (room == 1 ? " byte" : " bytes"));
}

std::uint8_t ReadMode(const TRegKey& key) {
    CheckFieldValue(key, kUpdateModeValue, 1);
    const TRegValue* value = key.Find(kUpdateModeValue);
    // An empty value fills none of the field, which stays 0.
    return value == nullptr || value->Data.empty() ? 0 : value->Data[0];
}

std::optional<TDateTime> ReadNextDate(const TRegKey& key) {
    const TRegValue* value = key.Find(kNextScheduledUpdateValue);
    if (value == nullptr)
        return std::nullopt;
    if (value->Type != platform::RegBinary || value->Data.size() != sizeof(TDateTime))
        throw TDamagedState(std::string("\"") + kNextScheduledUpdateValue +
                            "\" is not an 8-byte binary value");
    TDateTime date = 0;
    std::memcpy(&date, value->Data.data(), sizeof date);
    // The client would load such a value, but no clock ever reaches it (or
    // every clock has passed it without the date being a date): read as a
    // date it would stop the checks for good.
    if (!std::isfinite(date) || date < kFirstDate || date >= kLastDate + 1)
        throw TDamagedState(std::string("\"") + kNextScheduledUpdateValue +
                            "\" holds no calendar date");
    return date;
}

std::string DateText(TDateTime value) {
    const TDate date = DecodeDate(value);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", date.Year, date.Month, date.Day);
    return text;
}

// The verdict for a mode that checks on a schedule: due from the start of
// the stored date's day, whatever time of day it carries.
TDueVerdict DueByDate(const TUpdateModeRow& row, const std::optional<TDateTime>& next,
                      TDateTime today) {
    const std::string mode(row.DueName);
    if (!next)
        return {true, "the update mode is " + mode + " and no next check date is stored"};
    const TDateTime due = std::floor(*next);
    if (today >= due)
        return {true,
                "the update mode is " + mode + " and the next check was due on " + DateText(due)};
    return {false, "the update mode is " + mode + " and the next check is due on " + DateText(due)};
}

}  // namespace

std::optional<TStoredSchedule> ReadStoredSchedule(const platform::TRegistryStore& store) {
    std::optional<TRegKey> key;
    try {
        key = store.ReadKey(UpdateStateKey());
    } catch (const platform::RegistryError& e) {
        throw TDamagedState(e.what());
    }
    if (!key)
        return std::nullopt;
    CheckFieldValue(*key, kUpdateStatusValue, 1);
    CheckFieldValue(*key, kDownloadingVersionValue, 4);
    TStoredSchedule schedule;
    schedule.Mode = ReadMode(*key);
    schedule.NextScheduledUpdate = ReadNextDate(*key);
    return schedule;
}

TDueVerdict DecideDue(const std::optional<TStoredSchedule>& stored, TDateTime today) {
    if (!stored)
        return {true, "no update state is stored yet, so the first check is due"};
    const std::optional<TUpdateMode> mode = UpdateModeFromNumber(stored->Mode);
    // A number no mode has (a newer client's, or damage): rather one check
    // too many than checks that stop for good.
    if (!mode)
        return {true, "the update mode " + std::to_string(stored->Mode) +
                          " is none the client offers, so a check is due"};
    switch (*mode) {
        case ModeNever:
            return {false, "the update mode is " + std::string(UpdateModeRow(*mode).DueName)};
        case ModeDaily:
        case ModeWeekly:
        case ModeMonthly:
            return DueByDate(UpdateModeRow(*mode), stored->NextScheduledUpdate, today);
    }
    return {true, "not reached: the switch names every mode"};
}

TDueVerdict DamagedVerdict(const std::string& why) {
    return {true, "the stored update state is damaged (" + why + "), so a check is due"};
}

}  // namespace vantrel::tools
