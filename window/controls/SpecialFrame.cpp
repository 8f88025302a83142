#include "window/controls/SpecialFrame.h"

namespace vantrel {

std::vector<TPoint> SpecialFrameOutline(const TSpecialFrameSettings& s, int w, int h) {
    constexpr TFrameCorner round = TFrameCorner::Round;
    std::vector<TPoint> points;
    points.reserve(8);
    if (s.TopLeft == round)
        points.insert(points.end(), {TPoint{0, 2}, TPoint{2, 0}});
    else
        points.push_back({0, 0});
    if (s.TopRight == round)
        points.insert(points.end(), {TPoint{w - 3, 0}, TPoint{w - 1, 2}});
    else
        points.push_back({w - 1, 0});
    if (s.BottomRight == round)
        points.insert(points.end(), {TPoint{w - 1, h - 3}, TPoint{w - 3, h - 1}});
    else
        points.push_back({w - 1, h - 1});
    if (s.BottomLeft == round)
        points.insert(points.end(), {TPoint{2, h - 1}, TPoint{0, h - 3}});
    else
        points.push_back({0, h - 1});
    return points;
}

void DrawSpecialFrame(TCanvas& canvas, const TSpecialFrameSettings& s, int w, int h) {
    if (s.TabStyle) {
        DrawElement([&] {
            const TRect content = canvas.DrawTabPane({0, 0, w, h});
            canvas.FillRect(content, ResolveRgb(s.Color));
        });
        return;
    }
    DrawElement([&] { canvas.FillRect({0, 0, w, h}, ResolveRgb(s.Color)); });
    DrawElement([&] {
        const TRgb fill = ResolveRgb(s.FillColor);
        canvas.SetPenColor(ResolveRgb(s.FrameColor));
        canvas.Polygon(SpecialFrameOutline(s, w, h), fill);
    });
}

}  // namespace vantrel
