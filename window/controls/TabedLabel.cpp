#include "window/controls/TabedLabel.h"

#include <algorithm>

#include "window/controls/GradientFill.h"

namespace vantrel {
namespace {

// The shadow on the bottom and right edges, fading in from the background
// at its two ends.
void DrawShadow(TCanvas& canvas, const TTabedLabelSettings& s, const TTabedLabelOutline& p) {
    canvas.SetPenColor(ResolveRgb(s.ShadowColor));
    // Bottom and right edge of the body.
    canvas.MoveTo(p[10].X + 1, p[10].Y + 1);
    canvas.LineTo(p[9].X, p[9].Y + 1);
    canvas.LineTo(p[8].X + 1, p[8].Y);
    canvas.LineTo(p[7].X + 1, p[7].Y);
    // Right side of the tab.
    canvas.MoveTo(p[3].X + 1, p[3].Y + 1);
    canvas.LineTo(p[4].X + 1, p[4].Y);
    canvas.LineTo(p[5].X + 1, p[5].Y);
    DrawElement([&] {
        GradientFillRect(canvas, {p[10].X, p[10].Y + 1, p[10].X + 5, p[10].Y + 2}, s.Color,
                         s.ShadowColor, GRADIENT_FILL_RECT_H);
    });
    DrawElement([&] {
        GradientFillRect(canvas, {p[7].X + 1, p[7].Y, p[7].X + 2, p[7].Y + 5}, s.Color,
                         s.ShadowColor, GRADIENT_FILL_RECT_V);
    });
    if (p[4].Y - p[3].Y >= 5)
        DrawElement([&] {
            GradientFillRect(canvas, {p[3].X + 1, p[3].Y, p[3].X + 2, p[3].Y + 5}, s.Color,
                             s.ShadowColor, GRADIENT_FILL_RECT_V);
        });
}

}  // namespace

int TabedLabelHeight(const TTabedLabelSettings& s, const TTextMeasure& measure, int width) {
    const int ch = measure.LineHeight(s.Font);
    // An empty body still gets one line, so an empty box does not collapse.
    const std::u16string_view body = s.Text.empty() ? std::u16string_view(u"W") : s.Text;
    const int th = measure.WrappedHeight(s.TextFont, body, std::max(0, width - 14));
    return 3 + ch + 8 + th + 4 + 4;
}

int TabedLabelTabWidth(const TTabedLabelSettings& s, const TTextMeasure& measure, int width) {
    return std::min(measure.TextWidth(s.Font, s.Caption) + 12, width - 21);
}

TTabedLabelOutline TabedLabelOutline(const TTabedLabelSettings& s, const TTextMeasure& measure,
                                     int w, int h) {
    const int sh = s.Shadow ? 1 : 0;
    const int tw = TabedLabelTabWidth(s, measure, w);
    const int hy = 3 + measure.LineHeight(s.Font);
    return {TPoint{0, 2},
            TPoint{2, 0},
            TPoint{tw - 2, 0},
            TPoint{tw, 2},
            TPoint{tw, hy},
            TPoint{tw + 2, hy + 2},
            TPoint{w - 3 - sh, hy + 2},
            TPoint{w - 1 - sh, hy + 4},
            TPoint{w - 1 - sh, h - 3 - sh},
            TPoint{w - 3 - sh, h - 1 - sh},
            TPoint{2, h - 1 - sh},
            TPoint{0, h - 3 - sh}};
}

void DrawTabedLabel(TCanvas& canvas, const TTabedLabelSettings& s, int w, int h) {
    const int sh = s.Shadow ? 1 : 0;
    const int ch = canvas.LineHeight(s.Font);
    const int hy = 3 + ch;
    const int tw = TabedLabelTabWidth(s, canvas, w);
    const TTabedLabelOutline p = TabedLabelOutline(s, canvas, w, h);

    DrawElement([&] { canvas.FillRect({0, 0, w, h}, ResolveRgb(s.Color)); });
    DrawElement([&] {
        const TRgb fill = ResolveRgb(s.FillColor);
        canvas.SetPenColor(ResolveRgb(s.BorderColor));
        canvas.Polygon(p, fill);
    });
    DrawElement([&] {
        GradientFillRect(canvas, {1, 1, tw, ch + 3}, s.GradientColor, s.FillColor,
                         GRADIENT_FILL_RECT_V);
    });
    DrawElement([&] {
        GradientFillRect(canvas, {1, h - 3 - ch / 2, w - 1 - sh, h - 1 - sh}, s.FillColor,
                         s.GradientColor, GRADIENT_FILL_RECT_V);
    });
    // The gradients covered parts of the outline; draw it once more on top.
    DrawElement([&] {
        canvas.SetPenColor(ResolveRgb(s.BorderColor));
        canvas.PolygonOutline(p);
    });
    DrawElement([&] {
        const TRgb ink = ResolveRgb(clWindowText);
        const TRect box{6, 3, tw - 3, hy + 2};
        const std::u16string shown = canvas.ElideRight(s.Font, s.Caption, std::max(0, box.Width()));
        canvas.DrawText(box, shown, s.Font, ink, {THorzAlign::Left, TVertAlign::Top, false});
    });
    DrawElement([&] {
        canvas.DrawText({6, hy + 8, w - 7, h - 4}, s.Text, s.TextFont, ResolveRgb(clWindowText),
                        {THorzAlign::Left, TVertAlign::Top, true});
    });
    if (s.Shadow)
        DrawElement([&] { DrawShadow(canvas, s, p); });
}

}  // namespace vantrel
