// Drawing with the pixel rules the controls are designed for: a line leaves
// out its last point, a rectangle fill leaves out its right column and bottom
// row, and a polygon's outline lies on its outermost pixels. QPainter's own
// aliased rules differ in exactly these places, so the controls draw through
// this class and stay pixel-exact.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>

#include <span>
#include <stdexcept>

#include "window/geometry/Geometry.h"

namespace vantrel {

class TCanvas {
public:
    // Draws with `painter`, which must stay alive; antialiasing is switched off.
    explicit TCanvas(QPainter& painter);

    QPainter& Painter() { return FPainter; }

    void SetPenColor(const QColor& color) { FPenColor = color; }

    void FillRect(const TRect& rect, const QColor& color);
    // Fills with `pattern` repeated from the device's origin, as a brush would.
    void FillRectPattern(const TRect& rect, const QImage& pattern);

    void MoveTo(int x, int y) { FPenPos = QPoint(x, y); }
    // A line in the pen colour from the pen position to (x, y), which it
    // leaves out; the pen position moves to (x, y).
    void LineTo(int x, int y);
    // Lines through `points` in order; only the very last point is left out.
    void Polyline(std::span<const QPoint> points);
    // The polygon's interior in `fill` and its closed outline in the pen colour.
    void Polygon(std::span<const QPoint> points, const QColor& fill);
    // The closed outline only (a hollow brush).
    void PolygonOutline(std::span<const QPoint> points);

    void DrawImage(int x, int y, const QImage& image);

private:
    void Plot(int x, int y);

    QPainter& FPainter;
    QColor FPenColor = Qt::black;
    QPoint FPenPos;
};

// Runs one drawing step of a paint. An exception must not leave a paint
// event (it would end the program), so a step that fails on a range error,
// such as an unknown colour value, stays undrawn and the paint goes on.
template <class TStep>
void DrawElement(TStep&& step) {
    try {
        step();
    } catch (const std::range_error&) {
    } catch (const std::invalid_argument&) {
    }
}

}  // namespace vantrel
