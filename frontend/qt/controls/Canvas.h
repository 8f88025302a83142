// The controls' canvas over a QPainter. The pixel rules are the core's
// (window/controls/Canvas.h); this class fills, copies images and lays out
// text the way Qt does.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include "frontend/qt/controls/ControlColors.h"
#include "window/controls/Canvas.h"

class QWidget;

namespace vantrel {

namespace qtmeasure {
int TextWidth(const TFont& font, std::u16string_view text);
int LineHeight(const TFont& font);
int TextHeight(const TFont& font, std::u16string_view text);
int WrappedHeight(const TFont& font, std::u16string_view text, int width);
std::u16string ElideRight(const TFont& font, std::u16string_view text, int width);
}  // namespace qtmeasure

// Text measured with the screen's font metrics, as the controls lay out:
// `TBase` with Qt's measuring.
template <class TBase>
class TQtMeasured : public TBase {
public:
    int TextWidth(const TFont& font, std::u16string_view text) const override {
        return qtmeasure::TextWidth(font, text);
    }
    int LineHeight(const TFont& font) const override { return qtmeasure::LineHeight(font); }
    int TextHeight(const TFont& font, std::u16string_view text) const override {
        return qtmeasure::TextHeight(font, text);
    }
    int WrappedHeight(const TFont& font, std::u16string_view text, int width) const override {
        return qtmeasure::WrappedHeight(font, text, width);
    }
    std::u16string ElideRight(const TFont& font, std::u16string_view text,
                              int width) const override {
        return qtmeasure::ElideRight(font, text, width);
    }
};

using TQtTextMeasure = TQtMeasured<TTextMeasure>;

class TQtCanvas : public TQtMeasured<TCanvas> {
public:
    // Draws with `painter`, which must stay alive; antialiasing is switched
    // off. `widget`, when given, lends its style to the tab pane.
    explicit TQtCanvas(QPainter& painter, const QWidget* widget = nullptr);

    QPainter& Painter() { return FPainter; }

    void FillRect(const TRect& rect, TRgb color) override;
    void FillRectPattern(const TRect& rect, const TPixelImage& pattern) override;
    void DrawImage(int x, int y, const TPixelImage& image) override;
    TPixelImage CopyPixels(const TRect& rect) const override;
    void DrawText(const TRect& box, std::u16string_view text, const TFont& font, TRgb color,
                  TTextLayout layout) override;
    TRect DrawTabPane(const TRect& rect) override;

private:
    QPainter& FPainter;
    const QWidget* FWidget;
};

// Conversions between the core's types and Qt's.
QFont ToQFont(const TFont& font);
TFont FromQFont(const QFont& font);
QString ToQString(std::u16string_view text);
std::u16string FromQString(const QString& text);
// A null QImage becomes an empty image and back.
TPixelImage FromQImage(const QImage& image);
QImage ToQImage(const TPixelImage& image);

}  // namespace vantrel
