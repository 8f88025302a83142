#include "frontend/qt/controls/TabedLabel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

#include "frontend/qt/controls/Canvas.h"

namespace vantrel {
namespace {

// A font that no longer inherits anything from the widget it is used on.
QFont Detached(QFont font) {
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

}  // namespace

TTabedLabel::TTabedLabel(QWidget* parent) : QWidget(parent) {
    UseApplicationPaletteColors();
    resize(200, height());
    // The body font is the regular control font; the caption is its bold twin.
    FTextFont = Detached(QApplication::font(this));
    FFont = FTextFont;
    FFont.setBold(true);
    FSettings.TextFont = FromQFont(FTextFont);
    FSettings.Font = FromQFont(FFont);
    resize(width(), CalcHeight());
}

void TTabedLabel::SetColor(TColor color) {
    FSettings.Color = color;
    update();
}

void TTabedLabel::SetFont(const QFont& font) {
    FFont = Detached(font);
    FSettings.Font = FromQFont(FFont);
    AdjustHeight();
}

void TTabedLabel::SetFillColor(TColor color) {
    FSettings.FillColor = color;
    update();
}

void TTabedLabel::SetGradientColor(TColor color) {
    FSettings.GradientColor = color;
    update();
}

void TTabedLabel::SetCaption(const QString& caption) {
    FSettings.Caption = FromQString(caption);
    AdjustHeight();
}

void TTabedLabel::SetText(const QString& text) {
    FSettings.Text = FromQString(text);
    AdjustHeight();
}

void TTabedLabel::SetBorderColor(TColor color) {
    FSettings.BorderColor = color;
    update();
}

void TTabedLabel::SetShadowColor(TColor color) {
    FSettings.ShadowColor = color;
    update();
}

void TTabedLabel::SetShadow(bool shadow) {
    FSettings.Shadow = shadow;
    update();
}

void TTabedLabel::SetTextFont(const QFont& font) {
    FTextFont = Detached(font);
    FSettings.TextFont = FromQFont(FTextFont);
    AdjustHeight();
}

void TTabedLabel::SetAutosize(bool autosize) {
    FAutosize = autosize;
    AdjustHeight();
}

int TTabedLabel::CalcHeight() const {
    return TabedLabelHeight(FSettings, TQtTextMeasure(), width());
}

void TTabedLabel::AdjustHeight() {
    if (FAutosize)
        resize(width(), CalcHeight());
    update();
}

int TTabedLabel::TabWidth(int w) const {
    return TabedLabelTabWidth(FSettings, TQtTextMeasure(), w);
}

TTabedLabel::TOutline TTabedLabel::Outline(int w, int h) const {
    return TabedLabelOutline(FSettings, TQtTextMeasure(), w, h);
}

void TTabedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TQtCanvas canvas(painter, this);
    DrawTabedLabel(canvas, FSettings, width(), height());
}

void TTabedLabel::contextMenuEvent(QContextMenuEvent* event) {
    if (FPopupMenu)
        FPopupMenu->popup(event->globalPos());
    else
        QWidget::contextMenuEvent(event);
}

}  // namespace vantrel
