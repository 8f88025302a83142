// The frame panel without a toolkit: a one-pixel frame round a filled area,
// each corner square or cut by a small diagonal, or the window style's tab
// pane instead. The white cards of the main window, the error dialog and
// the tray popup are such panels.
#pragma once

#include <vector>

#include "window/controls/Canvas.h"
#include "window/controls/Colors.h"

namespace vantrel {

// A round corner is cut by a diagonal of 2 pixels.
enum class TFrameCorner { Rect = 0, Round = 1 };

struct TSpecialFrameSettings {
    // Background outside the frame: the pixels that round corners cut off.
    TColor Color = clWindow;
    TColor FillColor = clWindow;
    TColor FrameColor = clBtnShadow;
    TFrameCorner TopLeft = TFrameCorner::Rect;
    TFrameCorner TopRight = TFrameCorner::Rect;
    TFrameCorner BottomLeft = TFrameCorner::Rect;
    TFrameCorner BottomRight = TFrameCorner::Rect;
    // The style's tab pane instead of the frame.
    bool TabStyle = false;
};

// The frame's outline for a panel of `width` by `height`, clockwise from
// the top left: 4 to 8 points.
std::vector<TPoint> SpecialFrameOutline(const TSpecialFrameSettings& settings, int width,
                                        int height);

// The whole panel, `width` by `height`, with its top left at the origin.
void DrawSpecialFrame(TCanvas& canvas, const TSpecialFrameSettings& settings, int width,
                      int height);

}  // namespace vantrel
