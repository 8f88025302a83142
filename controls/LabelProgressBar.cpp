#include "controls/LabelProgressBar.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "controls/GradientFill.h"

namespace vantrel {
namespace {

const QString kDefaultPercentTexts[4] = {QStringLiteral("%d%%"), QStringLiteral("%d"),
                                         QStringLiteral("%d of %d"), QStringLiteral("Processing")};

// Text strips are as high as a line that holds accents and descenders.
const QString kStripSample = QStringLiteral("`qW(,^");

constexpr TColor kGradientBaseColor = 0xFF0000;
constexpr int kPercentAlpha = 178;

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

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
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

Qt::Alignment HorizontalAlignment(TLabelProgressBar::TAlignment alignment) {
    switch (alignment) {
        case TLabelProgressBar::taRightJustify:
            return Qt::AlignRight;
        case TLabelProgressBar::taCenter:
            return Qt::AlignHCenter;
        default:
            return Qt::AlignLeft;
    }
}

QString TwoDigits(std::int64_t value) {
    const QString digits = QString::number(value);
    return value < 10 ? QStringLiteral("0") + digits : digits;
}

}  // namespace

std::int64_t NearestPercent(std::int64_t part, std::int64_t whole) {
    if (whole == 0)
        return 0;
    // Callers pass 32-bit counts or their differences, so part × 100 fits.
    std::int64_t numerator = part * 100;
    if (whole < 0) {
        numerator = -numerator;
        whole = -whole;
    }
    std::int64_t quotient = numerator / whole;  // truncated toward zero
    const std::int64_t remainder = numerator % whole;
    const std::int64_t twice = 2 * (remainder < 0 ? -remainder : remainder);
    if (twice > whole || (twice == whole && quotient % 2 != 0))
        quotient += remainder < 0 ? -1 : 1;
    return quotient;
}

QString FormatPercentText(const QString& pattern, std::initializer_list<std::int64_t> numbers) {
    QString out;
    auto next = numbers.begin();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (pattern[i + 1] == u'd' && next != numbers.end()) {
                out += QString::number(*next++);
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

QString FillTimeTemplate(QString pattern, std::int64_t hours, std::int64_t minutes,
                         std::int64_t seconds) {
    auto fill = [&pattern](const QString& tag, std::int64_t value) {
        const qsizetype at = pattern.indexOf(tag);
        if (at >= 0)
            pattern.replace(at, tag.size(), TwoDigits(value));
    };
    fill(QStringLiteral("[Hours]"), hours);
    fill(QStringLiteral("[Minutes]"), minutes);
    fill(QStringLiteral("[Seconds]"), seconds);
    return pattern;
}

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

void TLabelProgressBar::SetBarHeightData(const QByteArray& data) {
    TRawReader reader(data);
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

void TLabelProgressBar::SetGradientSectionData(const QByteArray& data) {
    TRawReader reader(data);
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

void TLabelProgressBar::SetCustomGradientPressets(const QByteArray& data) {
    TRawReader reader(data);
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

// ---- Geometry --------------------------------------------------------------

int TLabelProgressBar::ShownStripsHeight() const {
    int shown = 0;
    if (FViewOptions.testFlag(viewText))
        shown += FTextStripHeight;
    if (FViewOptions.testFlag(viewInfo))
        shown += FInfoStripHeight;
    return shown;
}

void TLabelProgressBar::FitBarHeight() {
    const int rest = height() - ShownStripsHeight();
    if (rest > 13)
        FBarHeight = rest;
}

void TLabelProgressBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (FLoading)
        return;
    FitBarHeight();
    MarkSegmentImage();
    RedrawStrips();
}

int TLabelProgressBar::BorderInset() const {
    return FBorder == brFlatBold || FBorder == brFlatBoldRounded ? 2 : 1;
}

TRect TLabelProgressBar::ProgressArea() const {
    TRect area = TRect{0, 0, std::max(1, width()), FBarHeight}.Shrunk(1 + BorderInset() + 1);
    if (FSegmentShadow)
        area.Right -= 1;
    return area;
}

// ---- Drawing ---------------------------------------------------------------

void TLabelProgressBar::RedrawStrips() {
    if (FViewOptions.testFlag(viewText))
        DrawTextStrip();
    if (FSegmentImageMarked)
        PrepareSegmentImage();
    DrawBar();
    if (FViewOptions.testFlag(viewInfo))
        DrawInfoStrip();
}

void TLabelProgressBar::paintEvent(QPaintEvent*) {
    RedrawStrips();
    QPainter painter(this);
    int y = 0;
    if (FViewOptions.testFlag(viewText)) {
        painter.drawImage(0, y, FTextStrip);
        y += FTextStrip.height();
    }
    painter.drawImage(0, y, FBarStrip);
    y += FBarStrip.height();
    if (FViewOptions.testFlag(viewInfo))
        painter.drawImage(0, y, FInfoStrip);
}

void TLabelProgressBar::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
    emit OnDblClick(this);
}

void TLabelProgressBar::DrawLineStrip(QImage& strip, int height, const QString& text,
                                      const QFont& font, TAlignment alignment) const {
    const int w = std::max(1, width());
    strip = QImage(w, std::max(1, height), QImage::Format_RGB32);
    QPainter painter(&strip);
    TCanvas canvas(painter);
    DrawElement([&] { canvas.FillRect({0, 0, w, strip.height()}, ResolveColor(FColor)); });
    DrawElement([&] {
        const QRect box = ToQRect({2, 2, w - 2, strip.height() - 2});
        painter.setPen(ResolveColor(clWindowText));
        painter.setFont(font);
        const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, box.width());
        painter.drawText(
            box, HorizontalAlignment(alignment) | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    });
}

void TLabelProgressBar::DrawTextStrip() {
    DrawLineStrip(FTextStrip, FTextStripHeight, FText, FTextFont, FTextAlignment);
}

void TLabelProgressBar::DrawInfoStrip() {
    DrawLineStrip(FInfoStrip, FInfoStripHeight, InfoText(), FInfoFont, FInfoAlignment);
}

QString TLabelProgressBar::InfoText() const {
    switch (FInfoType) {
        case infElapsedTime: {
            if (!FTimingActive)
                return QString();
            const std::int64_t seconds = (FTicks() - FStartTick) / 1000;
            return FillTimeTemplate(FInfoTemplates[infElapsedTime], seconds / 3600,
                                    seconds % 3600 / 60, seconds % 60);
        }
        case infTimeLeft: {
            if (!FTimingActive)
                return QString();
            const double elapsed = static_cast<double>(FTicks() - FStartTick);
            const std::int64_t done = static_cast<std::int64_t>(FPosition) - FMin;
            const double estimate =
                done > 1 ? elapsed / done * (static_cast<std::int64_t>(FMax) - FPosition)
                         : elapsed * (static_cast<std::int64_t>(FMax) - FMin);
            const auto seconds = static_cast<std::int64_t>(std::nearbyint(estimate / 1000.0));
            const std::int64_t hours = seconds / 3600;
            const std::int64_t minutes = (seconds - hours * 3600) / 60;
            return FillTimeTemplate(FInfoTemplates[infTimeLeft], hours, minutes,
                                    seconds - hours * 3600 - minutes * 60);
        }
        default:
            return FInfo;
    }
}

void TLabelProgressBar::PaintGradientColumn(QImage& column) const {
    int y = 0;
    for (const TGradientSection& section : FSections) {
        const int top = y;
        const int rows = section.SectionHeight;
        y += rows;
        DrawElement([&] {
            const QColor from = ResolveColor(section.Color1);
            const QColor to = ResolveColor(section.Color2);
            for (int i = 0; i < rows; ++i) {
                const int row = top + i;
                if (row >= 0 && row < column.height())
                    column.setPixel(0, row, GradientStep(from, to, i, rows).rgb());
            }
        });
    }
}

void TLabelProgressBar::PrepareSegmentImage() {
    const TRect area = TRect{0, 0, std::max(1, width()), FBarHeight}.Shrunk(2 + BorderInset());
    const int columnHeight = area.Top > 0 && area.Top < area.Bottom ? area.Height() : 1;
    QImage column(1, columnHeight, QImage::Format_RGB32);
    column.fill(Qt::black);
    PaintGradientColumn(column);
    if (FSmooth) {
        FSegmentImage =
            FSegmentBitmap.isNull() ? column : FSegmentBitmap.convertToFormat(QImage::Format_RGB32);
    } else {
        const QImage& pattern = FSegmentBitmap.isNull() ? column : FSegmentBitmap;
        FSegmentImage = QImage(std::max(1, FSegmentWidth), columnHeight, QImage::Format_RGB32);
        FSegmentImage.fill(Qt::black);
        if (FSegmentWidth > 0) {
            QPainter painter(&FSegmentImage);
            TCanvas canvas(painter);
            canvas.FillRectPattern({0, 0, FSegmentWidth, columnHeight}, pattern);
        } else {
            FSegmentImage = QImage();
        }
    }
    FSegmentImageMarked = false;
}

void TLabelProgressBar::DrawBorder(TCanvas& canvas, const TRect& r) const {
    const int l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom;
    auto rectangle = [&canvas](const TRect& e) {
        const QPoint pts[] = {{e.Left, e.Top},
                              {e.Right - 1, e.Top},
                              {e.Right - 1, e.Bottom - 1},
                              {e.Left, e.Bottom - 1}};
        canvas.PolygonOutline(pts);
    };
    auto roundedOne = [&canvas](const TRect& e) {
        const int l = e.Left, t = e.Top, r = e.Right, b = e.Bottom;
        const QPoint pts[] = {{l, b - 2},     {l, t + 1},     {l + 1, t},     {r - 2, t},
                              {r - 1, t + 1}, {r - 1, b - 2}, {r - 2, b - 1}, {l, b - 1}};
        canvas.Polyline(pts);
    };
    // Each outline is its own element: a light adjustment out of range
    // leaves the dark outline standing, and the other way round.
    auto inLight = [&](auto draw) {
        DrawElement([&] {
            canvas.SetPenColor(
                ResolveColor(AdjustLuminance(FFlatColor, FFlatLightColorAdjustment)));
            draw();
        });
    };
    auto inDark = [&](auto draw) {
        DrawElement([&] {
            canvas.SetPenColor(
                ResolveColor(AdjustLuminance(FFlatColor, -FFlatDarkColorAdjustment)));
            draw();
        });
    };
    switch (FBorder) {
        case brLowered:
        case brRaised: {
            const QColor shadow = ResolveColor(clBtnShadow);
            const QColor highlight = ResolveColor(clBtnHighlight);
            const bool lowered = FBorder == brLowered;
            canvas.SetPenColor(lowered ? shadow : highlight);
            canvas.MoveTo(l, b - 1);
            canvas.LineTo(l, t);
            canvas.LineTo(rr - 1, t);
            canvas.SetPenColor(lowered ? highlight : shadow);
            canvas.LineTo(rr - 1, b - 1);
            canvas.LineTo(l, b - 1);
            break;
        }
        case brFlat:
            inLight([&] { rectangle(r); });
            break;
        case brFlatRounded:
            inLight([&] { roundedOne(r); });
            break;
        case brFlatBold:
            inLight([&] { rectangle(r); });
            inDark([&] { rectangle(r.Shrunk(1)); });
            break;
        case brFlatBoldRounded:
            inLight([&] {
                const QPoint pts[] = {{l, b - 3},      {l, t + 2},      {l + 2, t},
                                      {rr - 3, t},     {rr - 1, t + 2}, {rr - 1, b - 3},
                                      {rr - 3, b - 1}, {l + 2, b - 1},  {l, b - 3}};
                canvas.Polyline(pts);
            });
            inDark([&] { roundedOne(r.Shrunk(1)); });
            break;
    }
}

int TLabelProgressBar::FillLength(const TRect& area) const {
    const std::int64_t span = static_cast<std::int64_t>(FMax) - FMin;
    const int room = area.Width();
    // The scale is single precision, as the bar has always drawn it.
    const float scale = static_cast<float>(static_cast<double>(room) / static_cast<double>(span));
    const double length =
        std::nearbyint(static_cast<double>(static_cast<std::int64_t>(FPosition) - FMin) * scale);
    return static_cast<int>(std::clamp(length, 0.0, static_cast<double>(room)));
}

void TLabelProgressBar::DrawSmoothFill(TCanvas& canvas, const TRect& area, int f) {
    if (f > 0 && !FSegmentImage.isNull()) {
        QImage scratch(f, FSegmentImage.height(), QImage::Format_RGB32);
        if (scratch.isNull())
            throw std::range_error(QStringLiteral("Out of memory for the fill image "
                                                  "(MX=%1, MN=%2, PS=%3, RR=%4, RL=%5)")
                                       .arg(FMax)
                                       .arg(FMin)
                                       .arg(FPosition)
                                       .arg(area.Right)
                                       .arg(area.Left)
                                       .toStdString());
        QPainter painter(&scratch);
        TCanvas scratchCanvas(painter);
        scratchCanvas.FillRectPattern({0, 0, f, scratch.height()}, FSegmentImage);
        painter.end();
        canvas.DrawImage(area.Left, area.Top, scratch);
    }
    if (FSegmentShadow && area.Width() >= f) {
        canvas.MoveTo(area.Left + f, area.Top + 1);
        canvas.LineTo(area.Left + f, area.Bottom - 1);
    }
}

void TLabelProgressBar::DrawSegments(TCanvas& canvas, const TRect& area, int f) {
    // A segment of no width and no gap would never get past the fill's end.
    if (FSegmentImage.isNull() || FSegmentImage.width() + FSegmentSpace == 0)
        return;
    int x = 0;
    while (x < f - 1) {
        canvas.DrawImage(area.Left + x, area.Top, FSegmentImage);
        x += FSegmentImage.width();
        if (FSegmentShadow && FSegmentSpace > 1 && 0 < f - 1 && f - 1 < area.Width()) {
            canvas.MoveTo(area.Left + x, area.Top + 1);
            canvas.LineTo(area.Left + x, area.Bottom - 1);
        }
        x += FSegmentSpace;
    }
}

void TLabelProgressBar::DrawAnimation(TCanvas& canvas, const TRect& area) {
    const int c = FSegmentWidth + FSegmentSpace;
    if (c == 0 || FSegmentImage.isNull())
        return;
    const int k = std::min((area.Width() - c * FAnimationOffset) / c, 3);
    if (k == 0)
        FAnimationOffset = -3;
    canvas.SetPenColor(ResolveColor(clBtnShadow));
    int g = c * FAnimationOffset;
    int n = 0;
    while (g < c * (k + FAnimationOffset) - 1) {
        if (g > area.Left - 4)
            canvas.DrawImage(area.Left + g, area.Top, FSegmentImage);
        g += 1;
        n += 1;
        if (n >= FSegmentWidth) {
            if (FSegmentShadow && FSegmentSpace > 1) {
                canvas.MoveTo(area.Left + g, area.Top + 1);
                canvas.LineTo(area.Left + g, area.Bottom - 1);
            }
            g += FSegmentSpace;
            n = 0;
        }
    }
}

void TLabelProgressBar::DrawBar() {
    const int w = std::max(1, width());
    FBarStrip = QImage(w, std::max(1, FBarHeight), QImage::Format_RGB32);
    QPainter painter(&FBarStrip);
    TCanvas canvas(painter);
    const TRect strip{0, 0, w, FBarStrip.height()};
    DrawElement([&] { canvas.FillRect(strip, ResolveColor(FColor)); });
    const TRect outer = strip.Shrunk(1);
    DrawElement([&] { DrawBorder(canvas, outer); });
    const TRect inner = outer.Shrunk(BorderInset());
    DrawElement([&] {
        if (FFillBitmap.isNull())
            canvas.FillRect(inner, ResolveColor(FFillColor));
        else
            canvas.FillRectPattern(inner, FFillBitmap);
    });
    TRect area = inner.Shrunk(1);
    if (FSegmentShadow)
        area.Right -= 1;
    if (FAnimationMode) {
        DrawElement([&] { DrawAnimation(canvas, area); });
        return;
    }
    const std::int64_t span = static_cast<std::int64_t>(FMax) - FMin;
    if (span <= 0 || area.Left < 0 || area.Right < area.Left)
        return;
    const int f = FillLength(area);
    DrawElement([&] {
        canvas.SetPenColor(ResolveColor(clBtnShadow));
        if (FSmooth)
            DrawSmoothFill(canvas, area, f);
        else
            DrawSegments(canvas, area, f);
    });
    DrawPercentBox(canvas, area, f);
}

// ---- The percent box --------------------------------------------------------

bool TLabelProgressBar::PercentBoxShown() const {
    if (FPercentView == percentNone)
        return false;
    if (FPosition == FMin)
        return FPercentVisibility.testFlag(bvMinVisible);
    if (FPosition == FMax)
        return FPercentVisibility.testFlag(bvMaxVisible);
    return FPercentVisibility.testFlag(bvInside);
}

QString TLabelProgressBar::PercentBoxText() const {
    const int type = static_cast<int>(FPercentType);
    const QString& pattern = FPercentTexts[std::clamp(type, 0, 3)];
    if (FPercentType == showPercent) {
        // A maximum of 0 (a range below zero) takes the share of the range
        // instead; an empty range shows 0.
        const std::int64_t percent =
            FMax != 0 ? NearestPercent(FPosition, FMax)
                      : NearestPercent(static_cast<std::int64_t>(FPosition) - FMin,
                                       static_cast<std::int64_t>(FMax) - FMin);
        return FormatPercentText(pattern, {percent});
    }
    return FormatPercentText(pattern, {static_cast<std::int64_t>(FPosition) - FMin,
                                       static_cast<std::int64_t>(FMax) - FMin});
}

TLabelProgressBar::TBox TLabelProgressBar::PercentBoxPlace(const TRect& area, int f) const {
    const QFontMetrics metrics(FPercentFont);
    const QString text = PercentBoxText();
    TBox box;
    if (FPercentType == showPercent) {
        const QString widest = QStringLiteral("999%");
        box.W = std::max(metrics.horizontalAdvance(widest), metrics.horizontalAdvance(text)) + 4;
    } else {
        box.W = metrics.horizontalAdvance(text) + 4;
    }
    box.H = metrics.height() + 2;
    box.Y = area.Top + (area.Height() - box.H) / 2;
    switch (FPercentView) {
        case percentCenter:
            box.X = area.Left + (area.Width() - box.W) / 2;
            break;
        case percentFloat:
            box.X = area.Left + f + 4;
            // Pinned before the end once it no longer fits right of the fill.
            if (!(area.Left + f + 4 + box.W + 2 < area.Right))
                box.X = area.Right - 4 - box.W;
            break;
        default:
            box.X = area.Left + 4;
            break;
    }
    return box;
}

void TLabelProgressBar::DrawPercentBox(TCanvas& canvas, const TRect& area, int f) {
    if (!PercentBoxShown())
        return;
    const TBox box = PercentBoxPlace(area, f);
    if (box.W <= 2 || box.H <= 2)
        return;
    // The patch under the text: the bar as it is, blended over the tint.
    QImage patch = FBarStrip.copy(box.X + 1, box.Y + 1, box.W - 2, box.H - 2);
    DrawElement([&] {
        const QColor tint = ResolveColor(FPercentColor);
        for (int y = 0; y < patch.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(patch.scanLine(y));
            for (int x = 0; x < patch.width(); ++x) {
                auto mix = [](int bar, int tinted) {
                    return static_cast<int>(std::nearbyint(
                        (bar * kPercentAlpha + tinted * (255 - kPercentAlpha)) / 255.0));
                };
                const QRgb p = line[x];
                line[x] = qRgb(mix(qRed(p), tint.red()), mix(qGreen(p), tint.green()),
                               mix(qBlue(p), tint.blue()));
            }
        }
    });
    DrawElement([&] {
        const QColor dark = ResolveColor(AdjustLuminance(FFlatColor, -FFlatDarkColorAdjustment));
        canvas.SetPenColor(dark);
        const int l = box.X, t = box.Y, r = box.X + box.W, b = box.Y + box.H;
        const QPoint pts[] = {{l, b - 2},     {l, t + 1},     {l + 1, t},     {r - 2, t},
                              {r - 1, t + 1}, {r - 1, b - 2}, {r - 2, b - 1}, {l, b - 1}};
        canvas.Polyline(pts);
    });
    canvas.DrawImage(box.X + 1, box.Y + 1, patch);
    DrawElement([&] {
        QPainter& painter = canvas.Painter();
        painter.setPen(ResolveColor(clWindowText));
        painter.setFont(FPercentFont);
        painter.drawText(QRect(box.X + 1, box.Y + 1, box.W - 2, box.H - 2),
                         Qt::AlignCenter | Qt::TextSingleLine, PercentBoxText());
    });
}

}  // namespace vantrel
