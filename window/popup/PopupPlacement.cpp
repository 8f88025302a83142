#include "window/popup/PopupPlacement.h"

namespace vantrel {
namespace {

// Off an edge where a hidden taskbar will slide in, so that the popup is
// not covered the moment the bar shows.
constexpr int kAutoHideMargin = 2;

}  // namespace

TPoint PopupPositionNearTray(const std::optional<TTaskbarInfo>& taskbar, bool autoHide,
                             const TRect& screen, const TSize& popup, const TPoint& designed) {
    // The primary screen need not start at 0,0 (a monitor may lie left of
    // it or above it): every edge is the screen's own.
    const int right = screen.Right - popup.Width;
    const int bottom = screen.Bottom - popup.Height;
    if (!taskbar)
        return {right, bottom};
    // The rectangle's far edges lie just outside it, where the popup's near
    // edge goes.
    const TRect& bar = taskbar->Rect;
    switch (taskbar->Edge) {
        case static_cast<int>(TTaskbarEdge::Left):
            return {autoHide ? screen.Left + kAutoHideMargin : bar.Right, bottom};
        case static_cast<int>(TTaskbarEdge::Top):
            return {right, autoHide ? screen.Top + kAutoHideMargin : bar.Bottom};
        case static_cast<int>(TTaskbarEdge::Right):
            return {autoHide ? right - kAutoHideMargin : bar.Left - popup.Width, bottom};
        case static_cast<int>(TTaskbarEdge::Bottom):
            return {right, autoHide ? bottom - kAutoHideMargin : bar.Top - popup.Height};
        default:
            // The edge comes from the system as a plain number; one that
            // names no side leaves the popup where it was designed.
            return designed;
    }
}

std::optional<TTaskbarInfo> TaskbarFromScreen(const TRect& whole, const TRect& available) {
    if (available.Bottom < whole.Bottom)
        return TTaskbarInfo{static_cast<int>(TTaskbarEdge::Bottom),
                            {whole.Left, available.Bottom, whole.Right, whole.Bottom}};
    if (available.Top > whole.Top)
        return TTaskbarInfo{static_cast<int>(TTaskbarEdge::Top),
                            {whole.Left, whole.Top, whole.Right, available.Top}};
    if (available.Left > whole.Left)
        return TTaskbarInfo{static_cast<int>(TTaskbarEdge::Left),
                            {whole.Left, whole.Top, available.Left, whole.Bottom}};
    if (available.Right < whole.Right)
        return TTaskbarInfo{static_cast<int>(TTaskbarEdge::Right),
                            {available.Right, whole.Top, whole.Right, whole.Bottom}};
    return std::nullopt;
}

}  // namespace vantrel
