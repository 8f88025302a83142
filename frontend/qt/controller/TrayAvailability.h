// Whether the desktop has a notification area to hold the tray icon, with a
// seam for tests. Asked at each use: a panel may come or go while the program
// runs.
#pragma once

#include <optional>

namespace vantrel {

bool IsTrayAvailable();

// Replaces the desktop's answer until called again with std::nullopt.
void SetTrayAvailableOverride(std::optional<bool> available);

}  // namespace vantrel
