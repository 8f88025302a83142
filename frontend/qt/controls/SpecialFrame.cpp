#include "frontend/qt/controls/SpecialFrame.h"

#include <QPaintEvent>
#include <QPainter>

#include "frontend/qt/controls/Canvas.h"

namespace vantrel {

void TFrameCorners::Store(TCornerStyle& corner, TCornerStyle style) {
    corner = style;
    emit OnChange(this);
}

void TFrameCorners::SetAll(TCornerStyle style) {
    SetTopLeft(style);
    SetTopRight(style);
    SetBottomLeft(style);
    SetBottomRight(style);
}

TSpecialFrame::TSpecialFrame(QWidget* parent) : QWidget(parent), FCorners(new TFrameCorners(this)) {
    UseApplicationPaletteColors();
    resize(200, 100);
    // The panel paints every pixel itself; Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSpecialFrame::SetColor(TColor color) {
    FSettings.Color = color;
    update();
}

void TSpecialFrame::SetFillColor(TColor color) {
    FSettings.FillColor = color;
    repaint();
}

void TSpecialFrame::SetFrameColor(TColor color) {
    FSettings.FrameColor = color;
    repaint();
}

TSpecialFrameSettings TSpecialFrame::Settings() const {
    TSpecialFrameSettings settings = FSettings;
    settings.TopLeft = static_cast<TFrameCorner>(FCorners->TopLeft());
    settings.TopRight = static_cast<TFrameCorner>(FCorners->TopRight());
    settings.BottomLeft = static_cast<TFrameCorner>(FCorners->BottomLeft());
    settings.BottomRight = static_cast<TFrameCorner>(FCorners->BottomRight());
    return settings;
}

std::vector<TPoint> TSpecialFrame::Outline(int w, int h) const {
    return SpecialFrameOutline(Settings(), w, h);
}

void TSpecialFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TQtCanvas canvas(painter, this);
    DrawSpecialFrame(canvas, Settings(), width(), height());
}

}  // namespace vantrel
