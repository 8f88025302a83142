#include "frontend/qt/controls/Canvas.h"

#include <QApplication>
#include <QBrush>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QWidget>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace vantrel {
namespace {

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
}

int TextFlags(TTextLayout layout) {
    int flags = 0;
    switch (layout.Horz) {
        case THorzAlign::Right:
            flags |= Qt::AlignRight;
            break;
        case THorzAlign::Center:
            flags |= Qt::AlignHCenter;
            break;
        default:
            flags |= Qt::AlignLeft;
            break;
    }
    flags |= layout.Vert == TVertAlign::Center ? Qt::AlignVCenter : Qt::AlignTop;
    flags |= layout.WordWrap ? Qt::TextWordWrap : Qt::TextSingleLine;
    return flags;
}

// A QImage over the pixels of `image`, valid as long as `image` is.
QImage Wrapped(const TPixelImage& image) {
    return QImage(reinterpret_cast<const uchar*>(image.Pixels.data()), image.Width, image.Height,
                  image.Width * 4, image.HasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

}  // namespace

QFont ToQFont(const TFont& font) {
    QFont out(ToQString(font.Family));
    if (font.PixelSize > 0)
        out.setPixelSize(font.PixelSize);
    else if (font.PointSize > 0)
        out.setPointSizeF(font.PointSize);
    out.setWeight(static_cast<QFont::Weight>(font.Weight));
    out.setItalic(font.Italic);
    out.setUnderline(font.Underline);
    out.setStrikeOut(font.StrikeOut);
    // Nothing is inherited from the device drawn on.
    out.setResolveMask(QFont::AllPropertiesResolved);
    return out;
}

TFont FromQFont(const QFont& font) {
    TFont out;
    out.Family = FromQString(font.family());
    out.PixelSize = font.pixelSize();
    out.PointSize = out.PixelSize > 0 ? -1 : font.pointSizeF();
    out.Weight = font.weight();
    out.Italic = font.italic();
    out.Underline = font.underline();
    out.StrikeOut = font.strikeOut();
    return out;
}

QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

std::u16string FromQString(const QString& text) {
    return text.toStdU16String();
}

TPixelImage FromQImage(const QImage& image) {
    if (image.isNull())
        return {};
    const bool alpha = image.hasAlphaChannel();
    const QImage argb = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    TPixelImage out(argb.width(), argb.height());
    out.HasAlpha = alpha;
    for (int y = 0; y < argb.height(); ++y)
        std::memcpy(&out.Pixels[std::size_t(y) * out.Width], argb.constScanLine(y),
                    std::size_t(out.Width) * 4);
    return out;
}

QImage ToQImage(const TPixelImage& image) {
    if (image.IsNull())
        return QImage();
    return Wrapped(image).copy();
}

namespace qtmeasure {

int TextWidth(const TFont& font, std::u16string_view text) {
    return QFontMetrics(ToQFont(font)).horizontalAdvance(ToQString(text));
}

int LineHeight(const TFont& font) {
    return QFontMetrics(ToQFont(font)).height();
}

int TextHeight(const TFont& font, std::u16string_view text) {
    return QFontMetrics(ToQFont(font)).size(Qt::TextSingleLine, ToQString(text)).height();
}

int WrappedHeight(const TFont& font, std::u16string_view text, int width) {
    return QFontMetrics(ToQFont(font))
        .boundingRect(QRect(0, 0, std::max(0, width), 0), Qt::AlignLeft | Qt::TextWordWrap,
                      ToQString(text))
        .height();
}

std::u16string ElideRight(const TFont& font, std::u16string_view text, int width) {
    return FromQString(
        QFontMetrics(ToQFont(font)).elidedText(ToQString(text), Qt::ElideRight, width));
}

}  // namespace qtmeasure

TQtCanvas::TQtCanvas(QPainter& painter, const QWidget* widget)
    : FPainter(painter), FWidget(widget) {
    UseApplicationPaletteColors();
    FPainter.setRenderHint(QPainter::Antialiasing, false);
}

void TQtCanvas::FillRect(const TRect& rect, TRgb color) {
    if (rect.IsEmpty())
        return;
    FPainter.fillRect(ToQRect(rect), ToQColor(color));
}

void TQtCanvas::FillRectPattern(const TRect& rect, const TPixelImage& pattern) {
    if (rect.IsEmpty() || pattern.IsNull())
        return;
    QBrush brush(Wrapped(pattern));
    FPainter.save();
    FPainter.setBrushOrigin(0, 0);
    FPainter.fillRect(ToQRect(rect), brush);
    FPainter.restore();
}

void TQtCanvas::DrawImage(int x, int y, const TPixelImage& image) {
    if (!image.IsNull())
        FPainter.drawImage(x, y, Wrapped(image));
}

TPixelImage TQtCanvas::CopyPixels(const TRect& rect) const {
    QPaintDevice* device = FPainter.device();
    if (device == nullptr || device->devType() != QInternal::Image)
        throw std::logic_error("Only a canvas over an image can read its pixels back");
    const QImage& image = *static_cast<QImage*>(device);
    return FromQImage(image.copy(ToQRect(rect)));
}

void TQtCanvas::DrawText(const TRect& box, std::u16string_view text, const TFont& font, TRgb color,
                         TTextLayout layout) {
    FPainter.setPen(ToQColor(color));
    FPainter.setFont(ToQFont(font));
    FPainter.drawText(ToQRect(box), TextFlags(layout), ToQString(text));
}

TRect TQtCanvas::DrawTabPane(const TRect& rect) {
    QStyle* style = FWidget != nullptr ? FWidget->style() : QApplication::style();
    QStyleOptionTabWidgetFrame option;
    if (FWidget != nullptr)
        option.initFrom(FWidget);
    option.rect = ToQRect(rect);
    option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, FWidget);
    option.shape = QTabBar::RoundedNorth;
    style->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &FPainter, FWidget);
    return rect.Shrunk(option.lineWidth);
}

}  // namespace vantrel
