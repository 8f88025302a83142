#include "frontend/qt/controls/LabelProgressBar.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>

#include <cstring>
#include <stdexcept>

#include "frontend/qt/controls/ControlsAccessibility.h"

namespace vantrel {
namespace {

std::int64_t SystemTicks() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

QFont TahomaFont(bool bold) {
    QFont font(QStringLiteral("Tahoma"), 8);
    font.setBold(bold);
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

// A font that no longer inherits anything from the device it is drawn on.
QFont Detached(QFont font) {
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

// Little-endian 32-bit reader over untrusted form data.
class TRawReader {
public:
    explicit TRawReader(const QByteArray& data) : FData(data) {}

    std::int32_t Int32() {
        Need(4);
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<std::uint8_t>(FData[FPos + i]);
        FPos += 4;
        return static_cast<std::int32_t>(value);
    }
    std::uint8_t Byte() {
        Need(1);
        return static_cast<std::uint8_t>(FData[FPos++]);
    }
    QByteArray Bytes(int count) {
        Need(count);
        QByteArray out = FData.mid(FPos, count);
        FPos += count;
        return out;
    }
    // A count of items of `itemSize` bytes each, checked against what is left.
    int Count(int itemSize) {
        const std::int32_t n = Int32();
        if (n < 0 || static_cast<std::int64_t>(n) * itemSize > Left())
            throw std::invalid_argument("Form data holds a count of " + std::to_string(n) +
                                        " that does not fit its size");
        return n;
    }
    TGradientSection Section() {
        TGradientSection s;
        s.Color1 = static_cast<TColor>(Int32());
        s.Color2 = static_cast<TColor>(Int32());
        s.SectionHeight = Int32();
        return s;
    }
    std::vector<TGradientSection> Sections() {
        const int n = Count(12);
        std::vector<TGradientSection> sections;
        sections.reserve(n);
        for (int i = 0; i < n; ++i)
            sections.push_back(Section());
        return sections;
    }
    void ExpectEnd() const {
        if (Left() != 0)
            throw std::invalid_argument("Form data has " + std::to_string(Left()) +
                                        " bytes too many");
    }

private:
    std::int64_t Left() const { return FData.size() - FPos; }
    void Need(std::int64_t count) const {
        if (count > Left())
            throw std::invalid_argument("Form data ends too early");
    }

    const QByteArray& FData;
    qsizetype FPos = 0;
};

void PutInt32(QByteArray& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

void PutSections(QByteArray& out, const std::vector<TGradientSection>& sections) {
    PutInt32(out, static_cast<std::int32_t>(sections.size()));
    for (const TGradientSection& s : sections) {
        PutInt32(out, static_cast<std::int32_t>(s.Color1));
        PutInt32(out, static_cast<std::int32_t>(s.Color2));
        PutInt32(out, s.SectionHeight);
    }
}
}  // namespace

TLabelProgressBar::TLabelProgressBar(QWidget* parent) : QWidget(parent), FCore(TQtTextMeasure()) {
    UseApplicationPaletteColors();
    setAttribute(Qt::WA_OpaquePaintEvent);
    FCore.SetTickSource(SystemTicks);
    FTextFont = TahomaFont(false);
    FInfoFont = TahomaFont(false);
    FPercentFont = TahomaFont(true);
    FCore.SetTextFont(FromQFont(FTextFont), TQtTextMeasure());
    FCore.SetInfoFont(FromQFont(FInfoFont), TQtTextMeasure());
    FCore.EditSettings().PercentFont = FromQFont(FPercentFont);
    FCore.EditSettings().Position = static_cast<int>(QRandomGenerator::global()->bounded(1, 101));
    // Resizing fits the bar strip to the control; at construction the
    // control is made to fit the strips instead.
    FLoading = true;
    resize(220, TextStripHeight() + BarStripHeight() + InfoStripHeight());
    FLoading = false;
    MarkSegmentImage();
}

// ---- Setters --------------------------------------------------------------

void TLabelProgressBar::Redraw() {
    if (FLoading)
        return;
    if (isVisible())
        repaint();
    else
        RedrawStrips();
}

void TLabelProgressBar::SetColor(TColor color) {
    FCore.EditSettings().Color = color;
    Redraw();
}

void TLabelProgressBar::SetFillColor(TColor color) {
    FCore.EditSettings().FillColor = color;
    Redraw();
}

void TLabelProgressBar::SetFillBitmap(const QImage& bitmap) {
    FFillBitmap = bitmap;
    FCore.EditSettings().FillBitmap = FromQImage(bitmap);
    Redraw();
}

void TLabelProgressBar::SetText(const QString& text) {
    FCore.EditSettings().Text = FromQString(text);
    Redraw();
}

void TLabelProgressBar::SetTextAlignment(TAlignment alignment) {
    FCore.EditSettings().TextAlignment = static_cast<THorzAlign>(alignment);
    Redraw();
}

void TLabelProgressBar::SetTextFont(const QFont& font) {
    FTextFont = Detached(font);
    FCore.SetTextFont(FromQFont(FTextFont), TQtTextMeasure());
    Redraw();
}

void TLabelProgressBar::SetInfo(const QString& info) {
    FCore.EditSettings().Info = FromQString(info);
    Redraw();
}

void TLabelProgressBar::SetInfoAlignment(TAlignment alignment) {
    FCore.EditSettings().InfoAlignment = static_cast<THorzAlign>(alignment);
    Redraw();
}

void TLabelProgressBar::SetInfoFont(const QFont& font) {
    FInfoFont = Detached(font);
    FCore.SetInfoFont(FromQFont(FInfoFont), TQtTextMeasure());
    Redraw();
}

void TLabelProgressBar::SetInfoType(TLPBInfoType type) {
    FCore.EditSettings().InfoType = static_cast<TInfoType>(type);
    Redraw();
}

TLabelProgressBar::TLPBViewSet TLabelProgressBar::ViewOptions() const {
    TLPBViewSet options;
    options.setFlag(viewText, S().ShowText);
    options.setFlag(viewInfo, S().ShowInfo);
    return options;
}

void TLabelProgressBar::SetViewOptions(TLPBViewSet options) {
    FCore.EditSettings().ShowText = options.testFlag(viewText);
    FCore.EditSettings().ShowInfo = options.testFlag(viewInfo);
    // The bar keeps its height; the control grows or shrinks by the strips.
    const bool wasLoading = FLoading;
    FLoading = true;
    resize(width(), BarStripHeight() + FCore.ShownStripsHeight());
    FLoading = wasLoading;
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::SetMax(int max) {
    if (max == Max())
        return;
    FCore.SetMax(max);
    Redraw();
}

void TLabelProgressBar::SetMin(int min) {
    if (min == Min())
        return;
    FCore.SetMin(min);
    Redraw();
}

void TLabelProgressBar::SetPosition(int position) {
    if (position == Position())
        return;
    FCore.SetPosition(position, FLoading);
    Redraw();
    NotifyProgressValueChanged(this);
}

void TLabelProgressBar::SetSmooth(bool smooth) {
    FCore.EditSettings().Smooth = smooth;
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::SetSegmentWidth(int width) {
    FCore.SetSegmentWidth(width);
    Redraw();
}

void TLabelProgressBar::SetSegmentSpace(int space) {
    FCore.SetSegmentSpace(space);
    Redraw();
}

void TLabelProgressBar::SetSegmentBitmap(const QImage& bitmap) {
    // Only one column of the picture is used; the fill repeats it across.
    FSegmentBitmap = bitmap.width() > 1 ? bitmap.copy(0, 0, 1, bitmap.height()) : bitmap;
    FCore.SetSegmentBitmap(FromQImage(FSegmentBitmap));
    Redraw();
}

void TLabelProgressBar::SetSegmentShadow(bool shadow) {
    FCore.EditSettings().SegmentShadow = shadow;
    Redraw();
}

void TLabelProgressBar::SetBorder(TLPBBorder border) {
    FCore.EditSettings().Border = static_cast<TBarBorder>(border);
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::SetFlatColor(TColor color) {
    FCore.EditSettings().FlatColor = color;
    Redraw();
}

void TLabelProgressBar::SetFlatLightColorAdjustment(int adjustment) {
    FCore.EditSettings().FlatLightColorAdjustment = adjustment;
    Redraw();
}

void TLabelProgressBar::SetFlatDarkColorAdjustment(int adjustment) {
    FCore.EditSettings().FlatDarkColorAdjustment = adjustment;
    Redraw();
}

void TLabelProgressBar::SetPercentView(TLPBPercentMode view) {
    FCore.EditSettings().PercentView = static_cast<TPercentMode>(view);
    Redraw();
}

void TLabelProgressBar::SetPercentType(TLPBPercentType type) {
    FCore.EditSettings().PercentType = static_cast<TPercentType>(type);
    Redraw();
    NotifyProgressValueChanged(this);
}

void TLabelProgressBar::SetPercentColor(TColor color) {
    FCore.EditSettings().PercentColor = color;
    Redraw();
}

TLabelProgressBar::TLPBPercentBoundVisibilitySet TLabelProgressBar::PercentVisibility() const {
    TLPBPercentBoundVisibilitySet visibility;
    visibility.setFlag(bvMinVisible, S().PercentMinVisible);
    visibility.setFlag(bvInside, S().PercentInside);
    visibility.setFlag(bvMaxVisible, S().PercentMaxVisible);
    return visibility;
}

void TLabelProgressBar::SetPercentVisibility(TLPBPercentBoundVisibilitySet visibility) {
    TLabelProgressBarSettings& s = FCore.EditSettings();
    s.PercentMinVisible = visibility.testFlag(bvMinVisible);
    s.PercentInside = visibility.testFlag(bvInside);
    s.PercentMaxVisible = visibility.testFlag(bvMaxVisible);
    Redraw();
}

void TLabelProgressBar::SetPercentFont(const QFont& font) {
    FPercentFont = Detached(font);
    FCore.EditSettings().PercentFont = FromQFont(FPercentFont);
    Redraw();
}

void TLabelProgressBar::SetPercentTypeText(TLPBPercentType type, const QString& text) {
    FCore.SetPercentTypeText(static_cast<TPercentType>(type), FromQString(text));
    Redraw();
}

void TLabelProgressBar::SetAnimationMode(bool animation) {
    FCore.SetAnimationMode(animation, FLoading);
    if (FLoading)
        return;
    Redraw();
}

void TLabelProgressBar::SetSegmentGradient(std::vector<TGradientSection> sections) {
    FCore.EditSettings().Sections = std::move(sections);
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::EndLoading() {
    FLoading = false;
    FCore.FitBarHeight(height());
    MarkSegmentImage();
    Redraw();
}

QString TLabelProgressBar::PercentBoxText() const {
    return ToQString(FCore.PercentBoxText());
}

bool TLabelProgressBar::PercentBoxShown() const {
    return FCore.PercentBoxShown();
}

QString TLabelProgressBar::InfoText() const {
    return ToQString(FCore.InfoText());
}

// ---- Painting ---------------------------------------------------------------

void TLabelProgressBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (FLoading)
        return;
    FCore.FitBarHeight(height());
    MarkSegmentImage();
    RedrawStrips();
}

void TLabelProgressBar::DrawStrip(QImage& strip, int height,
                                  const std::function<void(TCanvas&)>& draw) {
    strip = QImage(std::max(1, width()), std::max(1, height), QImage::Format_RGB32);
    QPainter painter(&strip);
    TQtCanvas canvas(painter, this);
    draw(canvas);
}

void TLabelProgressBar::RedrawStrips() {
    const int w = width();
    if (S().ShowText)
        DrawStrip(FTextStrip, TextStripHeight(), [&](TCanvas& c) { FCore.DrawTextStrip(c, w); });
    DrawStrip(FBarStrip, BarStripHeight(), [&](TCanvas& c) { FCore.DrawBar(c, w); });
    if (S().ShowInfo)
        DrawStrip(FInfoStrip, InfoStripHeight(), [&](TCanvas& c) { FCore.DrawInfoStrip(c, w); });
}

void TLabelProgressBar::paintEvent(QPaintEvent*) {
    RedrawStrips();
    QPainter painter(this);
    int y = 0;
    if (S().ShowText) {
        painter.drawImage(0, y, FTextStrip);
        y += FTextStrip.height();
    }
    painter.drawImage(0, y, FBarStrip);
    y += FBarStrip.height();
    if (S().ShowInfo)
        painter.drawImage(0, y, FInfoStrip);
}

void TLabelProgressBar::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
    emit OnDblClick(this);
}

// ---- Raw form data --------------------------------------------------------

QByteArray TLabelProgressBar::BarHeightData() const {
    QByteArray out;
    PutInt32(out, FCore.BarStripHeight());
    return out;
}

void TLabelProgressBar::SetBarHeightData(const QByteArray& stored) {
    TRawReader reader(stored);
    const std::int32_t height = reader.Int32();
    reader.ExpectEnd();
    if (height <= 0 || height > 0x7FFF)
        throw std::invalid_argument("Bar height " + std::to_string(height) + " is out of range");
    FCore.SetBarStripHeight(height);
    SetViewOptions(ViewOptions());
}

QByteArray TLabelProgressBar::GradientSectionData() const {
    QByteArray out;
    PutSections(out, S().Sections);
    return out;
}

void TLabelProgressBar::SetGradientSectionData(const QByteArray& stored) {
    TRawReader reader(stored);
    std::vector<TGradientSection> sections = reader.Sections();
    reader.ExpectEnd();
    SetSegmentGradient(std::move(sections));
}

QByteArray TLabelProgressBar::CustomGradientPressets() const {
    QByteArray out;
    PutInt32(out, static_cast<std::int32_t>(FPresets.size()));
    for (const TGradientPreset& preset : FPresets) {
        const QByteArray name = preset.Name.left(255);
        out.append(static_cast<char>(name.size()));
        out.append(name);
        PutSections(out, preset.Sections);
    }
    return out;
}

void TLabelProgressBar::SetCustomGradientPressets(const QByteArray& stored) {
    TRawReader reader(stored);
    // A preset takes at least its name length and its section count.
    const int count = reader.Count(5);
    std::vector<TGradientPreset> presets;
    presets.reserve(count);
    for (int i = 0; i < count; ++i) {
        TGradientPreset preset;
        preset.Name = reader.Bytes(reader.Byte());
        preset.Sections = reader.Sections();
        presets.push_back(std::move(preset));
    }
    reader.ExpectEnd();
    FPresets = std::move(presets);
}

}  // namespace vantrel
