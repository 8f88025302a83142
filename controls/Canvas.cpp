#include "controls/Canvas.h"

#include <QBrush>
#include <QPolygonF>

#include <cstdlib>

namespace vantrel {

TCanvas::TCanvas(QPainter& painter) : FPainter(painter) {
    FPainter.setRenderHint(QPainter::Antialiasing, false);
}

void TCanvas::FillRect(const TRect& rect, const QColor& color) {
    if (rect.IsEmpty())
        return;
    FPainter.fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), color);
}

void TCanvas::FillRectPattern(const TRect& rect, const QImage& pattern) {
    if (rect.IsEmpty() || pattern.isNull())
        return;
    QBrush brush(pattern);
    FPainter.save();
    FPainter.setBrushOrigin(0, 0);
    FPainter.fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), brush);
    FPainter.restore();
}

void TCanvas::Plot(int x, int y) {
    FPainter.fillRect(QRect(x, y, 1, 1), FPenColor);
}

void TCanvas::LineTo(int x, int y) {
    const int x0 = FPenPos.x();
    const int y0 = FPenPos.y();
    FPenPos = QPoint(x, y);
    if (x == x0 && y == y0)
        return;
    // Straight runs are one fill each; the end point stays out.
    if (y == y0) {
        const int left = x > x0 ? x0 : x + 1;
        FPainter.fillRect(QRect(left, y0, std::abs(x - x0), 1), FPenColor);
        return;
    }
    if (x == x0) {
        const int top = y > y0 ? y0 : y + 1;
        FPainter.fillRect(QRect(x0, top, 1, std::abs(y - y0)), FPenColor);
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

void TCanvas::Polyline(std::span<const QPoint> points) {
    if (points.empty())
        return;
    MoveTo(points[0].x(), points[0].y());
    for (std::size_t i = 1; i < points.size(); ++i)
        LineTo(points[i].x(), points[i].y());
}

void TCanvas::PolygonOutline(std::span<const QPoint> points) {
    if (points.empty())
        return;
    Polyline(points);
    LineTo(points[0].x(), points[0].y());
    if (points.size() == 1)
        Plot(points[0].x(), points[0].y());
}

void TCanvas::Polygon(std::span<const QPoint> points, const QColor& fill) {
    if (points.empty())
        return;
    // Shifted by half a pixel, the aliased fill takes exactly the pixels whose
    // corners lie strictly inside; the pixels on the edges are the outline's.
    QPolygonF shape;
    for (const QPoint& p : points)
        shape << QPointF(p.x() + 0.5, p.y() + 0.5);
    FPainter.save();
    FPainter.setPen(Qt::NoPen);
    FPainter.setBrush(fill);
    FPainter.drawPolygon(shape);
    FPainter.restore();
    PolygonOutline(points);
}

void TCanvas::DrawImage(int x, int y, const QImage& image) {
    FPainter.drawImage(x, y, image);
}

}  // namespace vantrel
