#include "window/controls/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace vantrel {

void TCanvas::LineTo(int x, int y) {
    const int x0 = FPenPos.X;
    const int y0 = FPenPos.Y;
    FPenPos = {x, y};
    if (x == x0 && y == y0)
        return;
    // Straight runs are one fill each; the end point stays out.
    if (y == y0) {
        const int left = x > x0 ? x0 : x + 1;
        FillRect(TRect::FromSize(left, y0, std::abs(x - x0), 1), FPenColor);
        return;
    }
    if (x == x0) {
        const int top = y > y0 ? y0 : y + 1;
        FillRect(TRect::FromSize(x0, top, 1, std::abs(y - y0)), FPenColor);
        return;
    }
    // Bresenham for everything else.
    const int dx = std::abs(x - x0);
    const int dy = -std::abs(y - y0);
    const int sx = x0 < x ? 1 : -1;
    const int sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    int px = x0;
    int py = y0;
    while (px != x || py != y) {
        Plot(px, py);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    if (points.empty())
        return;
    MoveTo(points[0].X, points[0].Y);
    for (std::size_t i = 1; i < points.size(); ++i)
        LineTo(points[i].X, points[i].Y);
}

void TCanvas::PolygonOutline(std::span<const TPoint> points) {
    if (points.empty())
        return;
    Polyline(points);
    LineTo(points[0].X, points[0].Y);
    if (points.size() == 1)
        Plot(points[0].X, points[0].Y);
}

void TCanvas::FillInterior(std::span<const TPoint> points, TRgb fill) {
    // The interior is every pixel whose top-left corner lies strictly inside
    // the polygon (even-odd rule). Corners on an edge are the outline's: it
    // passes through every such point, so how they are filled never shows.
    int top = points[0].Y;
    int bottom = points[0].Y;
    for (const TPoint& p : points) {
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
    }
    std::vector<double> crossings;
    for (int y = top + 1; y < bottom; ++y) {
        crossings.clear();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const TPoint& a = points[i];
            const TPoint& b = points[(i + 1) % points.size()];
            // Half-open in y, so a vertex shared by two edges counts once.
            if ((a.Y <= y && y < b.Y) || (b.Y <= y && y < a.Y))
                crossings.push_back(a.X + double(y - a.Y) * (b.X - a.X) / (b.Y - a.Y));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const int from = static_cast<int>(std::floor(crossings[i])) + 1;
            const int to = static_cast<int>(std::ceil(crossings[i + 1]));  // left out
            FillRect({from, y, to, y + 1}, fill);
        }
    }
}

void TCanvas::Polygon(std::span<const TPoint> points, TRgb fill) {
    if (points.empty())
        return;
    FillInterior(points, fill);
    PolygonOutline(points);
}

}  // namespace vantrel
