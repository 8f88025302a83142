// Renders a control the way a paint of the screen would, into an image whose
// pixels the tests read back.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include "frontend/qt/controls/ControlColors.h"

namespace vantrel::test {

inline QImage Render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    widget.render(&image);
    return image;
}

inline QColor Pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// A program colour as the pixel it paints.
inline QColor Paints(TColor color) {
    return ResolveColor(color);
}

}  // namespace vantrel::test
