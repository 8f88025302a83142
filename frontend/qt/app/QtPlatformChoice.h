// Which platform plugin Qt is asked for. On a Wayland session a top-level
// window can neither be placed nor kept on top, which the tray popup needs;
// the X server of the session (XWayland) can do both.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vantrel {

// `environment` returns a variable's value, or nullptr when it is not set.
// The plugin to ask for, or nothing to leave Qt's own choice: the user's
// QT_QPA_PLATFORM always wins, and without an X server there is no choice.
std::optional<std::string> QtPlatformToAsk(
    const std::function<const char*(const char*)>& environment);

// Asks Qt for that plugin through QT_QPA_PLATFORM; called before the
// application object exists.
void AskQtForPlatform();

}  // namespace vantrel
