// The update state that lives across runs, and its one process-wide copy.
#pragma once

#include <cstdint>

namespace vantrel {

enum TUpdateStatus : std::uint8_t {
    StatusNone = 0,         // no download begun
    StatusDownloading = 1,  // a download was started, running or paused
    StatusDownloaded = 2,   // package complete, ready to install
};

// The update modes; the number of each is what is stored and its position in
// the main window's list. core/UpdateModes.h has their table.
enum TUpdateMode : std::uint8_t {
    ModeNever = 0,
    ModeDaily = 1,
    ModeWeekly = 2,
    ModeMonthly = 3,
};

struct TUpdateState {
    std::uint8_t Status = StatusNone;
    std::uint32_t DownloadingVersion = 0;  // packed version; meaningful while downloading
    std::uint8_t Mode = ModeNever;
    // Days since 30 December 1899, the fraction being the time of day;
    // 0 while Mode is ModeNever.
    double NextScheduledUpdate = 0;
};

// The process-wide state (defined with the other process-wide values in
// core/iProcs.cpp). Declared here rather than in core/iProcs.h, which
// nearly every file includes, so that a change to the state rebuilds only
// the files that use it.
extern TUpdateState UpdateState;

}  // namespace vantrel
