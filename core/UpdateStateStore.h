// Loading and saving UpdateState in the per-user registry, under the key
// RegistryPath + "\Vantrel".
#pragma once

#include <string>

namespace vantrel {

// The names under which the fields are stored, all binary, little-endian.
inline constexpr const char* kUpdateStatusValue = "Update Status";                 // 1 byte
inline constexpr const char* kDownloadingVersionValue = "Downloading Version";     // 4 bytes
inline constexpr const char* kUpdateModeValue = "Update Mode";                     // 1 byte
inline constexpr const char* kNextScheduledUpdateValue = "Next Scheduled Update";  // 8 bytes

// RegistryPath + "\Vantrel", from the user's root.
std::string UpdateStateKey();

// Puts UpdateState and Language to their defaults (all zero, "English").
void ResetUpdateState();

// Fills UpdateState from the registry. A missing key or value keeps the
// default; a damaged key (a value of a text or number type, too long, an
// unreadable store) yields the whole default state, never a mix.
void LoadUpdateState();

// Recomputes the next check date when `Reschedule` is set, then writes
// UpdateState. Failures are ignored: the state simply is not saved.
void SaveUpdateState(bool Reschedule);

// NextScheduledUpdate from today's date and the mode: never 0, daily +1
// day, weekly +7, monthly + the days of the current month, any other mode
// unchanged. DownloadingVersion is dropped unless a download is under way.
void ScheduleNextUpdate();

// Deletes the state key with everything under it; failures are ignored.
void DeleteUpdateState();

}  // namespace vantrel
