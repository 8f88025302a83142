// The captioned text box without a toolkit: a folder-like tab holding a bold
// one-line caption, joined to a body holding word-wrapped text, with
// gradients inside the tab and along the bottom and an optional drop shadow.
#pragma once

#include <array>
#include <string>

#include "window/controls/Canvas.h"
#include "window/controls/Colors.h"

namespace vantrel {

struct TTabedLabelSettings {
    TColor Color = clWindow;
    TColor FillColor = clWindow;
    TColor GradientColor = 0xDDD0C1;
    TColor BorderColor = 0xB99D7F;
    TColor ShadowColor = clBtnShadow;
    bool Shadow = false;
    std::u16string Caption = u"Caption here";
    std::u16string Text = u"Description here...";
    // The caption's font and the body's.
    TFont Font;
    TFont TextFont;
};

using TTabedLabelOutline = std::array<TPoint, 12>;

// The height that the caption and the text wrapped at `width` need.
int TabedLabelHeight(const TTabedLabelSettings& settings, const TTextMeasure& measure, int width);
// Width of the tab at a box width of `width`.
int TabedLabelTabWidth(const TTabedLabelSettings& settings, const TTextMeasure& measure, int width);
// The box's outline at a size of `width` by `height`, clockwise from the
// tab's top left corner.
TTabedLabelOutline TabedLabelOutline(const TTabedLabelSettings& settings,
                                     const TTextMeasure& measure, int width, int height);

void DrawTabedLabel(TCanvas& canvas, const TTabedLabelSettings& settings, int width, int height);

}  // namespace vantrel
