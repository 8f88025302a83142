#include "controls/SpecialFrame.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>

#include "controls/Canvas.h"

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
    resize(200, 100);
    // The panel paints every pixel itself; Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSpecialFrame::SetColor(TColor color) {
    FColor = color;
    update();
}

void TSpecialFrame::SetFillColor(TColor color) {
    FFillColor = color;
    repaint();
}

void TSpecialFrame::SetFrameColor(TColor color) {
    FFrameColor = color;
    repaint();
}

std::vector<QPoint> TSpecialFrame::Outline(int w, int h) const {
    std::vector<QPoint> points;
    points.reserve(8);
    if (FCorners->TopLeft() == csRound)
        points.insert(points.end(), {QPoint(0, 2), QPoint(2, 0)});
    else
        points.push_back(QPoint(0, 0));
    if (FCorners->TopRight() == csRound)
        points.insert(points.end(), {QPoint(w - 3, 0), QPoint(w - 1, 2)});
    else
        points.push_back(QPoint(w - 1, 0));
    if (FCorners->BottomRight() == csRound)
        points.insert(points.end(), {QPoint(w - 1, h - 3), QPoint(w - 3, h - 1)});
    else
        points.push_back(QPoint(w - 1, h - 1));
    if (FCorners->BottomLeft() == csRound)
        points.insert(points.end(), {QPoint(2, h - 1), QPoint(0, h - 3)});
    else
        points.push_back(QPoint(0, h - 1));
    return points;
}

void TSpecialFrame::PaintTabPane(QPainter& painter) {
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.rect = rect();
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.shape = QTabBar::RoundedNorth;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
    const int inset = option.lineWidth;
    const QRect content = rect().adjusted(inset, inset, -inset, -inset);
    const QColor color = ResolveColor(FColor);
    painter.fillRect(content, color);
}

void TSpecialFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(painter);
    if (FTabStyle) {
        DrawElement([&] { PaintTabPane(painter); });
        return;
    }
    const int w = width();
    const int h = height();
    DrawElement([&] { canvas.FillRect({0, 0, w, h}, ResolveColor(FColor)); });
    DrawElement([&] {
        const QColor fill = ResolveColor(FFillColor);
        canvas.SetPenColor(ResolveColor(FFrameColor));
        const std::vector<QPoint> outline = Outline(w, h);
        canvas.Polygon(outline, fill);
    });
}

}  // namespace vantrel
