// What closes the tray popup, and how: at once, or by fading out. At most
// one popup is on screen; the front end keeps it and asks here what each
// click and each new popup means for it.
#pragma once

#include <optional>

namespace vantrel {

// The parts of the popup a user can click.
enum class TPopupPart { Caption, Text, Logo, GoLink, GoIcon, CloseIcon };
enum class TPopupGesture { Click, DoubleClick };

// What a gesture on a part asks for.
enum class TPopupRequest {
    Close,        // the cross: the popup goes at once, its fade stopped
    GoAction,     // the link: the owner's action runs (and closes the popup itself)
    DoubleClick,  // the owner's double-click handler runs
};

// Nothing for a gesture that does nothing (the go icon, a double-click on
// the link or the cross).
std::optional<TPopupRequest> PopupRequestFor(TPopupPart part, TPopupGesture gesture);

// How a popup leaves the screen.
enum class TPopupExit { AtOnce, FadeOutThenClose };

// Why it leaves.
enum class TPopupLeaving {
    Replaced,     // a new popup takes its place
    Dismissed,    // its owner closes it (the state it announced is over)
    DoubleClick,  // the user double-clicked it
};

TPopupExit PopupExitFor(TPopupLeaving why, bool blending);

// A double-click on the popup: whether anything happens, how the popup goes
// and that the main window shows at once, without waiting for the fade.
struct TPopupDoubleClick {
    std::optional<TPopupExit> Exit;  // nothing when no popup is on screen
    bool ShowMainWindow = false;
};

TPopupDoubleClick PopupDoubleClick(bool popupOnScreen, bool blending);

}  // namespace vantrel
