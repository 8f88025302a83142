// Where the tray popup goes: beside the taskbar, in the corner of the
// primary screen that holds the tray.
#pragma once

#include <optional>

#include "window/geometry/Geometry.h"

namespace vantrel {

// The side of the screen the taskbar sits on.
enum class TTaskbarEdge { Left = 0, Top = 1, Right = 2, Bottom = 3 };

struct TTaskbarInfo {
    int Edge = 0;  // a TTaskbarEdge value; anything else keeps the designed position
    TRect Rect;    // the taskbar's rectangle in screen coordinates
};

// The popup as designed: its client area, the raised dialog frame drawn
// around it, and where it stands when the taskbar's edge names no side.
inline constexpr TSize kPopupClientSize{211, 122};
inline constexpr int kPopupFrameWidth = 3;
inline constexpr TPoint kPopupDesignedPosition{366, 364};

// The popup's outer size: the client inside its frame.
constexpr TSize PopupOuterSize() {
    return {kPopupClientSize.Width + 2 * kPopupFrameWidth,
            kPopupClientSize.Height + 2 * kPopupFrameWidth};
}

// Where the popup goes for a taskbar query's result (nothing when the query
// failed), given the primary screen's rectangle (in desktop coordinates) and
// the popup's outer size. Beside a taskbar that hides itself the popup keeps
// a small margin from the screen's edge instead of standing off the bar.
// `designed` is kept for an edge value that names no side.
TPoint PopupPositionNearTray(const std::optional<TTaskbarInfo>& taskbar, bool autoHide,
                             const TRect& screen, const TSize& popup, const TPoint& designed);

// The taskbar from a screen's whole rectangle and the part of it left free
// for windows: the side on which the free part is inset (bottom first, then
// top, left, right). No inset means there is no taskbar to find: nothing.
std::optional<TTaskbarInfo> TaskbarFromScreen(const TRect& whole, const TRect& available);

}  // namespace vantrel
