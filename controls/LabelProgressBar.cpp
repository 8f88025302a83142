#include "controls/LabelProgressBar.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QRandomGenerator>

#include <cstring>
#include <stdexcept>

#include "controls/ControlsAccessibility.h"

namespace vantrel {
namespace {

const QString kDefaultPercentTexts[4] = {QStringLiteral("%d%%"), QStringLiteral("%d"),
                                         QStringLiteral("%d of %d"), QStringLiteral("Processing")};

// Text strips are as high as a line that holds accents and descenders.
const QString kStripSample = QStringLiteral("`qW(,^");

constexpr TColor kGradientBaseColor = 0xFF0000;

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

int StripHeightFor(const QFont& font) {
    return QFontMetrics(font).size(Qt::TextSingleLine, kStripSample).height() + 4;
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

TLabelProgressBar::TLabelProgressBar(QWidget* parent) : QWidget(parent), FTicks(SystemTicks) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    FTextFont = TahomaFont(false);
    FInfoFont = TahomaFont(false);
    FPercentFont = TahomaFont(true);
    FTextStripHeight = StripHeightFor(FTextFont);
    FInfoStripHeight = StripHeightFor(FInfoFont);
    FBarHeight = 20;
    FPercentColor = AdjustLuminance(kGradientBaseColor, 50);
    FPosition = static_cast<int>(QRandomGenerator::global()->bounded(1, 101));
    for (int i = 0; i < 4; ++i)
        FPercentTexts[i] = kDefaultPercentTexts[i];
    FSections = DefaultSections();
    FInfoTemplates = {QString(), QStringLiteral("Elapsed time: [Hours]:[Minutes]:[Seconds]"),
                      QStringLiteral("Time left: [Hours]:[Minutes]:[Seconds]")};
    // Resizing fits the bar strip to the control; at construction the
    // control is made to fit the strips instead.
    FLoading = true;
    resize(220, FTextStripHeight + FBarHeight + FInfoStripHeight);
    FLoading = false;
    MarkSegmentImage();
}

std::vector<TGradientSection> TLabelProgressBar::DefaultSections() const {
    const bool bold = FBorder == brFlatBold || FBorder == brFlatBoldRounded;
    const int h = FBarHeight - (bold ? 8 : 6);
    const int a = (h - 1) / 2;
    const TColor base = kGradientBaseColor;
    return {{AdjustLuminance(base, 100), base, a},
            {base, base, h - 2 * a},
            {base, AdjustLuminance(base, -100), a}};
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

void TLabelProgressBar::MarkSegmentImage() {
    FSegmentImageMarked = true;
}

void TLabelProgressBar::SetColor(TColor color) {
    FColor = color;
    Redraw();
}

void TLabelProgressBar::SetFillColor(TColor color) {
    FFillColor = color;
    Redraw();
}

void TLabelProgressBar::SetFillBitmap(const QImage& bitmap) {
    FFillBitmap = bitmap;
    Redraw();
}

void TLabelProgressBar::SetText(const QString& text) {
    FText = text;
    Redraw();
}

void TLabelProgressBar::SetTextAlignment(TAlignment alignment) {
    FTextAlignment = alignment;
    Redraw();
}

void TLabelProgressBar::SetTextFont(const QFont& font) {
    FTextFont = font;
    FTextFont.setResolveMask(QFont::AllPropertiesResolved);
    FTextStripHeight = StripHeightFor(FTextFont);
    Redraw();
}

void TLabelProgressBar::SetInfo(const QString& info) {
    FInfo = info;
    Redraw();
}

void TLabelProgressBar::SetInfoAlignment(TAlignment alignment) {
    FInfoAlignment = alignment;
    Redraw();
}

void TLabelProgressBar::SetInfoFont(const QFont& font) {
    FInfoFont = font;
    FInfoFont.setResolveMask(QFont::AllPropertiesResolved);
    FInfoStripHeight = StripHeightFor(FInfoFont);
    Redraw();
}

void TLabelProgressBar::SetInfoType(TLPBInfoType type) {
    FInfoType = type;
    Redraw();
}

void TLabelProgressBar::SetViewOptions(TLPBViewSet options) {
    FViewOptions = options;
    // The bar keeps its height; the control grows or shrinks by the strips.
    const bool wasLoading = FLoading;
    FLoading = true;
    resize(width(), FBarHeight + ShownStripsHeight());
    FLoading = wasLoading;
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::SetMax(int max) {
    if (max == FMax)
        return;
    FMax = max;
    if (FMax < FPosition)
        FPosition = FMax;
    Redraw();
}

void TLabelProgressBar::SetMin(int min) {
    if (min == FMin)
        return;
    FMin = min;
    if (FPosition < FMin)
        FPosition = FMin;
    Redraw();
}

void TLabelProgressBar::SetPosition(int position) {
    if (position == FPosition)
        return;
    FPosition = position < FMin ? FMin : (position > FMax ? FMax : position);
    if (FInfoType != infStatic && !FLoading) {
        if (position == FMin) {
            FStartTick = FTicks();
            FTimingActive = true;
        } else if (position == FMax) {
            FTimingActive = false;
        }
    }
    Redraw();
    NotifyProgressValueChanged(this);
}

void TLabelProgressBar::SetSmooth(bool smooth) {
    FSmooth = smooth;
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::SetSegmentWidth(int width) {
    FSegmentWidth = std::clamp(width, 0, 255);
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::SetSegmentSpace(int space) {
    FSegmentSpace = std::clamp(space, 0, 255);
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::SetSegmentBitmap(const QImage& bitmap) {
    // Only one column of the picture is used; the fill repeats it across.
    FSegmentBitmap = bitmap.width() > 1 ? bitmap.copy(0, 0, 1, bitmap.height()) : bitmap;
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::SetSegmentShadow(bool shadow) {
    FSegmentShadow = shadow;
    Redraw();
}

void TLabelProgressBar::SetBorder(TLPBBorder border) {
    FBorder = border;
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::SetFlatColor(TColor color) {
    FFlatColor = color;
    Redraw();
}

void TLabelProgressBar::SetFlatLightColorAdjustment(int adjustment) {
    FFlatLightColorAdjustment = adjustment;
    Redraw();
}

void TLabelProgressBar::SetFlatDarkColorAdjustment(int adjustment) {
    FFlatDarkColorAdjustment = adjustment;
    Redraw();
}

void TLabelProgressBar::SetPercentView(TLPBPercentMode view) {
    FPercentView = view;
    Redraw();
}

void TLabelProgressBar::SetPercentType(TLPBPercentType type) {
    FPercentType = type;
    Redraw();
    NotifyProgressValueChanged(this);
}

void TLabelProgressBar::SetPercentColor(TColor color) {
    FPercentColor = color;
    Redraw();
}

void TLabelProgressBar::SetPercentVisibility(TLPBPercentBoundVisibilitySet visibility) {
    FPercentVisibility = visibility;
    Redraw();
}

void TLabelProgressBar::SetPercentFont(const QFont& font) {
    FPercentFont = font;
    FPercentFont.setResolveMask(QFont::AllPropertiesResolved);
    Redraw();
}

void TLabelProgressBar::SetPercentTypeText(TLPBPercentType type, const QString& text) {
    const int index = static_cast<int>(type);
    if (index < 0 || index >= 4)
        return;
    FPercentTexts[index] = text.isEmpty() ? kDefaultPercentTexts[index] : text;
    Redraw();
}

void TLabelProgressBar::SetAnimationMode(bool animation) {
    FAnimationMode = animation;
    FAnimationOffset = -3;
    if (FLoading)
        return;
    Redraw();
    if (animation)
        FAnimationTick = FTicks();
}

void TLabelProgressBar::SetSegmentGradient(std::vector<TGradientSection> sections) {
    FSections = std::move(sections);
    MarkSegmentImage();
    Redraw();
}

void TLabelProgressBar::EndLoading() {
    FLoading = false;
    FitBarHeight();
    MarkSegmentImage();
    Redraw();
}

// ---- Raw form data --------------------------------------------------------

QByteArray TLabelProgressBar::BarHeightData() const {
    QByteArray out;
    PutInt32(out, FBarHeight);
    return out;
}

void TLabelProgressBar::SetBarHeightData(const QByteArray& stored) {
    TRawReader reader(stored);
    const std::int32_t height = reader.Int32();
    reader.ExpectEnd();
    if (height <= 0 || height > 0x7FFF)
        throw std::invalid_argument("Bar height " + std::to_string(height) + " is out of range");
    FBarHeight = height;
    SetViewOptions(FViewOptions);
}

QByteArray TLabelProgressBar::GradientSectionData() const {
    QByteArray out;
    PutSections(out, FSections);
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
