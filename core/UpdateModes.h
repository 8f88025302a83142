// The update modes in one table: what each one is stored as, how the main
// window lists it and how vantrel-due names it. Add a mode here and in
// TUpdateMode; the build then points at every switch that must decide what
// the new mode means (this table's check, the schedule, vantrel-due), since
// none has a default.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/SourceTexts.h"
#include "core/UpdateState.h"

namespace vantrel {

struct TUpdateModeRow {
    TUpdateMode Mode;
    std::string_view ListText;  // English; the dictionary's key for the list item
    std::string_view DueName;   // as vantrel-due prints it
};

// In list order. A mode's position in the main window's list is the number
// stored for it, so rows are only ever appended: a stored number must keep
// naming the mode an older program stored under it.
inline constexpr std::array<TUpdateModeRow, 4> kUpdateModes{{
    {ModeNever, texts::kModeNever, "never"},
    {ModeDaily, texts::kModeDaily, "daily"},
    {ModeWeekly, texts::kModeWeekly, "weekly"},
    {ModeMonthly, texts::kModeMonthly, "monthly"},
}};

namespace detail {

// Names every mode: one added to TUpdateMode fails the build here
// (-Wswitch) until it is named, and then the check below until it has its
// row, so the main window's list, which shows the rows, cannot miss it.
constexpr bool IsUpdateMode(TUpdateMode mode) {
    switch (mode) {
        case ModeNever:
        case ModeDaily:
        case ModeWeekly:
        case ModeMonthly:
            return true;
    }
    return false;
}

// Each mode has a row, at the position of its number, and no row is more.
constexpr bool EachModeHasItsRow() {
    for (std::size_t number = 0; number <= 255; ++number) {
        const auto mode = static_cast<TUpdateMode>(number);
        const bool listed = number < kUpdateModes.size() && kUpdateModes[number].Mode == mode;
        if (IsUpdateMode(mode) != listed)
            return false;
    }
    return true;
}

}  // namespace detail
static_assert(detail::EachModeHasItsRow(), "each mode needs its row, at its stored number");

// The mode a stored number (or a list position) names; nothing for a number
// that names no mode, which a newer program or a damaged store may leave.
constexpr std::optional<TUpdateMode> UpdateModeFromNumber(int number) {
    if (number < 0 || static_cast<std::size_t>(number) >= kUpdateModes.size())
        return std::nullopt;
    return kUpdateModes[static_cast<std::size_t>(number)].Mode;
}

constexpr const TUpdateModeRow& UpdateModeRow(TUpdateMode mode) {
    return kUpdateModes[mode];
}

}  // namespace vantrel
