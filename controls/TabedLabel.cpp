#include "controls/TabedLabel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>

#include <algorithm>

#include "controls/Canvas.h"

namespace vantrel {
namespace {

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
}

// A font that no longer inherits anything from the widget it is used on.
QFont Detached(QFont font) {
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

}  // namespace

TTabedLabel::TTabedLabel(QWidget* parent) : QWidget(parent) {
    resize(200, height());
    FCaption = QStringLiteral("Caption here");
    FText = QStringLiteral("Description here...");
    // The body font is the regular control font; the caption is its bold twin.
    FTextFont = Detached(QApplication::font(this));
    FFont = FTextFont;
    FFont.setBold(true);
    resize(width(), CalcHeight());
}

void TTabedLabel::SetColor(TColor color) {
    FColor = color;
    update();
}

void TTabedLabel::SetFont(const QFont& font) {
    FFont = Detached(font);
    AdjustHeight();
}

void TTabedLabel::SetFillColor(TColor color) {
    FFillColor = color;
    update();
}

void TTabedLabel::SetGradientColor(TColor color) {
    FGradientColor = color;
    update();
}

void TTabedLabel::SetCaption(const QString& caption) {
    FCaption = caption;
    AdjustHeight();
}

void TTabedLabel::SetText(const QString& text) {
    FText = text;
    AdjustHeight();
}

void TTabedLabel::SetBorderColor(TColor color) {
    FBorderColor = color;
    update();
}

void TTabedLabel::SetShadowColor(TColor color) {
    FShadowColor = color;
    update();
}

void TTabedLabel::SetShadow(bool shadow) {
    FShadow = shadow;
    update();
}

void TTabedLabel::SetTextFont(const QFont& font) {
    FTextFont = Detached(font);
    AdjustHeight();
}

void TTabedLabel::SetAutosize(bool autosize) {
    FAutosize = autosize;
    AdjustHeight();
}

int TTabedLabel::CalcHeight() const {
    const int ch = QFontMetrics(FFont).height();
    // An empty body still gets one line, so an empty box does not collapse.
    const QString body = FText.isEmpty() ? QStringLiteral("W") : FText;
    const QRect measured = QFontMetrics(FTextFont).boundingRect(
        QRect(0, 0, std::max(0, width() - 14), 0), Qt::AlignLeft | Qt::TextWordWrap, body);
    const int th = measured.height();
    return 3 + ch + 8 + th + 4 + 4;
}

void TTabedLabel::AdjustHeight() {
    if (FAutosize)
        resize(width(), CalcHeight());
    update();
}

int TTabedLabel::TabWidth(int w) const {
    return std::min(QFontMetrics(FFont).horizontalAdvance(FCaption) + 12, w - 21);
}

TTabedLabel::TOutline TTabedLabel::Outline(int w, int h) const {
    const int s = FShadow ? 1 : 0;
    const int tw = TabWidth(w);
    const int hy = 3 + QFontMetrics(FFont).height();
    return {QPoint(0, 2),
            QPoint(2, 0),
            QPoint(tw - 2, 0),
            QPoint(tw, 2),
            QPoint(tw, hy),
            QPoint(tw + 2, hy + 2),
            QPoint(w - 3 - s, hy + 2),
            QPoint(w - 1 - s, hy + 4),
            QPoint(w - 1 - s, h - 3 - s),
            QPoint(w - 3 - s, h - 1 - s),
            QPoint(2, h - 1 - s),
            QPoint(0, h - 3 - s)};
}

void TTabedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(painter);
    const int w = width();
    const int h = height();
    const int s = FShadow ? 1 : 0;
    const int ch = QFontMetrics(FFont).height();
    const int hy = 3 + ch;
    const int tw = TabWidth(w);
    const TOutline p = Outline(w, h);

    DrawElement([&] { canvas.FillRect({0, 0, w, h}, ResolveColor(FColor)); });
    DrawElement([&] {
        const QColor fill = ResolveColor(FFillColor);
        canvas.SetPenColor(ResolveColor(FBorderColor));
        canvas.Polygon(p, fill);
    });
    DrawElement([&] {
        GradientFillRect(canvas, {1, 1, tw, ch + 3}, FGradientColor, FFillColor,
                         GRADIENT_FILL_RECT_V);
    });
    DrawElement([&] {
        GradientFillRect(canvas, {1, h - 3 - ch / 2, w - 1 - s, h - 1 - s}, FFillColor,
                         FGradientColor, GRADIENT_FILL_RECT_V);
    });
    // The gradients covered parts of the outline; draw it once more on top.
    DrawElement([&] {
        canvas.SetPenColor(ResolveColor(FBorderColor));
        canvas.PolygonOutline(p);
    });
    DrawElement([&] {
        const QColor ink = ResolveColor(clWindowText);
        const QRect box = ToQRect({6, 3, tw - 3, hy + 2});
        painter.setFont(FFont);
        painter.setPen(ink);
        const QString shown = QFontMetrics(FFont).elidedText(FCaption, Qt::ElideRight, box.width());
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
    });
    DrawElement([&] {
        const QColor ink = ResolveColor(clWindowText);
        painter.setFont(FTextFont);
        painter.setPen(ink);
        painter.drawText(ToQRect({6, hy + 8, w - 7, h - 4}),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, FText);
    });
    if (FShadow)
        DrawElement([&] { PaintShadow(canvas, p); });
}

void TTabedLabel::PaintShadow(TCanvas& canvas, const TOutline& p) {
    canvas.SetPenColor(ResolveColor(FShadowColor));
    // Bottom and right edge of the body.
    canvas.MoveTo(p[10].x() + 1, p[10].y() + 1);
    canvas.LineTo(p[9].x(), p[9].y() + 1);
    canvas.LineTo(p[8].x() + 1, p[8].y());
    canvas.LineTo(p[7].x() + 1, p[7].y());
    // Right side of the tab.
    canvas.MoveTo(p[3].x() + 1, p[3].y() + 1);
    canvas.LineTo(p[4].x() + 1, p[4].y());
    canvas.LineTo(p[5].x() + 1, p[5].y());
    // The shadow's ends fade in from the background.
    DrawElement([&] {
        GradientFillRect(canvas, {p[10].x(), p[10].y() + 1, p[10].x() + 5, p[10].y() + 2}, FColor,
                         FShadowColor, GRADIENT_FILL_RECT_H);
    });
    DrawElement([&] {
        GradientFillRect(canvas, {p[7].x() + 1, p[7].y(), p[7].x() + 2, p[7].y() + 5}, FColor,
                         FShadowColor, GRADIENT_FILL_RECT_V);
    });
    if (p[4].y() - p[3].y() >= 5)
        DrawElement([&] {
            GradientFillRect(canvas, {p[3].x() + 1, p[3].y(), p[3].x() + 2, p[3].y() + 5}, FColor,
                             FShadowColor, GRADIENT_FILL_RECT_V);
        });
}

void TTabedLabel::contextMenuEvent(QContextMenuEvent* event) {
    if (FPopupMenu)
        FPopupMenu->popup(event->globalPos());
    else
        QWidget::contextMenuEvent(event);
}

}  // namespace vantrel
