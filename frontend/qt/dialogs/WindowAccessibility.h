// What assistive technology learns of the windows' own controls, on top of
// the drawn controls' interfaces.
#pragma once

namespace vantrel {

// Installs the accessibility factories of the drawn controls and of the
// click labels (links and clickable pictures). Idempotent; to be called
// before the first window is shown.
void InstallWindowAccessibility();

}  // namespace vantrel
