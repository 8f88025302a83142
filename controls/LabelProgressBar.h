// A progress bar that draws itself into off-screen strips: an optional text
// line, the bar (border, fill, a progress fill painted from a stack of colour
// gradients, and a small percent box that floats over a tinted patch of the
// bar), and an optional info line (a static text, the elapsed time or the time
// left). The main window shows the package download with one of these.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "controls/Canvas.h"
#include "controls/ColorFunctions.h"
#include "controls/ControlColors.h"
#include "window/controls/Percent.h"

namespace vantrel {

// One band of the progress fill: a vertical gradient from Color1 at its top
// to Color2 at its bottom, SectionHeight pixels high.
struct TGradientSection {
    TColor Color1 = 0;
    TColor Color2 = 0;
    std::int32_t SectionHeight = 0;
    bool operator==(const TGradientSection&) const = default;
};

// A named list of sections, kept only to be streamed with the form.
struct TGradientPreset {
    QByteArray Name;  // 8-bit, at most 255 bytes
    std::vector<TGradientSection> Sections;
    bool operator==(const TGradientPreset&) const = default;
};

class TLabelProgressBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(uint FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(QImage FillBitmap READ FillBitmap WRITE SetFillBitmap)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(TAlignment TextAlignment READ TextAlignment WRITE SetTextAlignment)
    Q_PROPERTY(QFont TextFont READ TextFont WRITE SetTextFont)
    Q_PROPERTY(QString Info READ Info WRITE SetInfo)
    Q_PROPERTY(TAlignment InfoAlignment READ InfoAlignment WRITE SetInfoAlignment)
    Q_PROPERTY(QFont InfoFont READ InfoFont WRITE SetInfoFont)
    Q_PROPERTY(TLPBInfoType InfoType READ InfoType WRITE SetInfoType)
    Q_PROPERTY(TLPBViewSet ViewOptions READ ViewOptions WRITE SetViewOptions)
    Q_PROPERTY(TLPBInfoMode ModeInfo READ ModeInfo WRITE SetModeInfo)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(bool Smooth READ Smooth WRITE SetSmooth)
    Q_PROPERTY(int SegmentWidth READ SegmentWidth WRITE SetSegmentWidth)
    Q_PROPERTY(int SegmentSpace READ SegmentSpace WRITE SetSegmentSpace)
    Q_PROPERTY(QImage SegmentBitmap READ SegmentBitmap WRITE SetSegmentBitmap)
    Q_PROPERTY(bool SegmentShadow READ SegmentShadow WRITE SetSegmentShadow)
    Q_PROPERTY(TLPBBorder Border READ Border WRITE SetBorder)
    Q_PROPERTY(uint FlatColor READ FlatColor WRITE SetFlatColor)
    Q_PROPERTY(int FlatLightColorAdjustment READ FlatLightColorAdjustment WRITE
                   SetFlatLightColorAdjustment)
    Q_PROPERTY(
        int FlatDarkColorAdjustment READ FlatDarkColorAdjustment WRITE SetFlatDarkColorAdjustment)
    Q_PROPERTY(TLPBPercentMode PercentView READ PercentView WRITE SetPercentView)
    Q_PROPERTY(TLPBPercentType PercentType READ PercentType WRITE SetPercentType)
    Q_PROPERTY(uint PercentColor READ PercentColor WRITE SetPercentColor)
    Q_PROPERTY(TLPBPercentBoundVisibilitySet PercentVisibility READ PercentVisibility WRITE
                   SetPercentVisibility)
    Q_PROPERTY(bool AnimationMode READ AnimationMode WRITE SetAnimationMode)
    Q_PROPERTY(uint AnimationDelay READ AnimationDelay WRITE SetAnimationDelay)
    Q_PROPERTY(QFont PercentFont READ PercentFont WRITE SetPercentFont)
    // Raw data streamed with a form.
    Q_PROPERTY(QByteArray BarHeight READ BarHeightData WRITE SetBarHeightData)
    Q_PROPERTY(QByteArray GradientSectionData READ GradientSectionData WRITE SetGradientSectionData)
    Q_PROPERTY(QByteArray CustomGradientPressets READ CustomGradientPressets WRITE
                   SetCustomGradientPressets)

public:
    enum TLPBBorder { brLowered, brRaised, brFlat, brFlatRounded, brFlatBold, brFlatBoldRounded };
    Q_ENUM(TLPBBorder)
    enum TLPBPercentMode { percentNone, percentCenter, percentFloat, percentStart };
    Q_ENUM(TLPBPercentMode)
    enum TLPBPercentType { showPercent, showCount, showRange, showStatic };
    Q_ENUM(TLPBPercentType)
    enum TLPBPercentBoundVisibility { bvMinVisible = 1, bvInside = 2, bvMaxVisible = 4 };
    Q_DECLARE_FLAGS(TLPBPercentBoundVisibilitySet, TLPBPercentBoundVisibility)
    Q_FLAG(TLPBPercentBoundVisibilitySet)
    enum TLPBView { viewText = 1, viewInfo = 2 };
    Q_DECLARE_FLAGS(TLPBViewSet, TLPBView)
    Q_FLAG(TLPBViewSet)
    enum TLPBInfoType { infStatic, infElapsedTime, infTimeLeft };
    Q_ENUM(TLPBInfoType)
    enum TLPBInfoMode { infoText };
    Q_ENUM(TLPBInfoMode)
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    // Milliseconds of a monotonic clock; replaceable so that the timing
    // texts can be checked without waiting.
    using TTickSource = std::function<std::int64_t()>;

    explicit TLabelProgressBar(QWidget* parent = nullptr);

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TColor FillColor() const { return FFillColor; }
    void SetFillColor(TColor color);
    const QImage& FillBitmap() const { return FFillBitmap; }
    void SetFillBitmap(const QImage& bitmap);
    const QString& Text() const { return FText; }
    void SetText(const QString& text);
    TAlignment TextAlignment() const { return FTextAlignment; }
    void SetTextAlignment(TAlignment alignment);
    const QFont& TextFont() const { return FTextFont; }
    void SetTextFont(const QFont& font);
    const QString& Info() const { return FInfo; }
    void SetInfo(const QString& info);
    TAlignment InfoAlignment() const { return FInfoAlignment; }
    void SetInfoAlignment(TAlignment alignment);
    const QFont& InfoFont() const { return FInfoFont; }
    void SetInfoFont(const QFont& font);
    TLPBInfoType InfoType() const { return FInfoType; }
    void SetInfoType(TLPBInfoType type);
    TLPBViewSet ViewOptions() const { return FViewOptions; }
    void SetViewOptions(TLPBViewSet options);
    TLPBInfoMode ModeInfo() const { return FModeInfo; }
    void SetModeInfo(TLPBInfoMode mode) { FModeInfo = mode; }

    int Max() const { return FMax; }
    void SetMax(int max);
    int Min() const { return FMin; }
    void SetMin(int min);
    int Position() const { return FPosition; }
    void SetPosition(int position);

    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool smooth);
    int SegmentWidth() const { return FSegmentWidth; }
    void SetSegmentWidth(int width);
    int SegmentSpace() const { return FSegmentSpace; }
    void SetSegmentSpace(int space);
    const QImage& SegmentBitmap() const { return FSegmentBitmap; }
    void SetSegmentBitmap(const QImage& bitmap);
    bool SegmentShadow() const { return FSegmentShadow; }
    void SetSegmentShadow(bool shadow);
    TLPBBorder Border() const { return FBorder; }
    void SetBorder(TLPBBorder border);
    TColor FlatColor() const { return FFlatColor; }
    void SetFlatColor(TColor color);
    int FlatLightColorAdjustment() const { return FFlatLightColorAdjustment; }
    void SetFlatLightColorAdjustment(int adjustment);
    int FlatDarkColorAdjustment() const { return FFlatDarkColorAdjustment; }
    void SetFlatDarkColorAdjustment(int adjustment);

    TLPBPercentMode PercentView() const { return FPercentView; }
    void SetPercentView(TLPBPercentMode view);
    TLPBPercentType PercentType() const { return FPercentType; }
    void SetPercentType(TLPBPercentType type);
    TColor PercentColor() const { return FPercentColor; }
    void SetPercentColor(TColor color);
    TLPBPercentBoundVisibilitySet PercentVisibility() const { return FPercentVisibility; }
    void SetPercentVisibility(TLPBPercentBoundVisibilitySet visibility);
    const QFont& PercentFont() const { return FPercentFont; }
    void SetPercentFont(const QFont& font);
    // Replaces the text that `type` shows; an empty text brings back the
    // type's own ("%d%%", "%d", "%d of %d", "Processing").
    void SetPercentTypeText(TLPBPercentType type, const QString& text);

    bool AnimationMode() const { return FAnimationMode; }
    void SetAnimationMode(bool animation);
    uint AnimationDelay() const { return FAnimationDelay; }
    void SetAnimationDelay(uint delay) { FAnimationDelay = delay; }

    const std::vector<TGradientSection>& SegmentGradient() const { return FSections; }
    void SetSegmentGradient(std::vector<TGradientSection> sections);
    const std::vector<TGradientPreset>& GradientPresets() const { return FPresets; }

    // Height of the bar strip, and of the two text strips as measured.
    int BarStripHeight() const { return FBarHeight; }
    int TextStripHeight() const { return FTextStripHeight; }
    int InfoStripHeight() const { return FInfoStripHeight; }

    // Raw form data; the setters throw std::invalid_argument for data that
    // does not parse, and then change nothing.
    QByteArray BarHeightData() const;
    void SetBarHeightData(const QByteArray& stored);
    QByteArray GradientSectionData() const;
    void SetGradientSectionData(const QByteArray& stored);
    QByteArray CustomGradientPressets() const;
    void SetCustomGradientPressets(const QByteArray& stored);

    // While a form sets the stored values, setters only store them.
    void BeginLoading() { FLoading = true; }
    void EndLoading();

    // What the percent box and the info strip say now.
    QString PercentBoxText() const;
    bool PercentBoxShown() const;
    QString InfoText() const;

    // The bar strip as last drawn, and a fresh drawing of all strips.
    const QImage& BarStrip() const { return FBarStrip; }
    void RedrawStrips();

    void SetTickSource(TTickSource source) { FTicks = std::move(source); }

signals:
    void OnDblClick(QObject* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct TBox {
        int X = 0, Y = 0, W = 0, H = 0;
    };

    void Redraw();
    void MarkSegmentImage();
    int ShownStripsHeight() const;
    void FitBarHeight();
    std::vector<TGradientSection> DefaultSections() const;

    int BorderInset() const;
    TRect ProgressArea() const;
    void PrepareSegmentImage();
    void PaintGradientColumn(QImage& column) const;
    void DrawTextStrip();
    void DrawInfoStrip();
    void DrawBar();
    void DrawBorder(TCanvas& canvas, const TRect& r) const;
    int FillLength(const TRect& area) const;
    void DrawSmoothFill(TCanvas& canvas, const TRect& area, int f);
    void DrawSegments(TCanvas& canvas, const TRect& area, int f);
    void DrawAnimation(TCanvas& canvas, const TRect& area);
    TBox PercentBoxPlace(const TRect& area, int f) const;
    void DrawPercentBox(TCanvas& canvas, const TRect& area, int f);
    void DrawLineStrip(QImage& strip, int height, const QString& text, const QFont& font,
                       TAlignment alignment) const;

    TColor FColor = clWindow;
    TColor FFillColor = clWindow;
    QImage FFillBitmap;
    QString FText;
    TAlignment FTextAlignment = taLeftJustify;
    QFont FTextFont;
    QString FInfo;
    TAlignment FInfoAlignment = taLeftJustify;
    QFont FInfoFont;
    TLPBInfoType FInfoType = infStatic;
    TLPBViewSet FViewOptions = TLPBViewSet(viewText) | viewInfo;
    TLPBInfoMode FModeInfo = infoText;
    int FMax = 100;
    int FMin = 0;
    int FPosition = 0;
    bool FSmooth = false;
    int FSegmentWidth = 12;
    int FSegmentSpace = 2;
    QImage FSegmentBitmap;
    bool FSegmentShadow = false;
    TLPBBorder FBorder = brLowered;
    TColor FFlatColor = clBtnShadow;
    int FFlatLightColorAdjustment = 30;
    int FFlatDarkColorAdjustment = 50;
    TLPBPercentMode FPercentView = percentNone;
    TLPBPercentType FPercentType = showPercent;
    TColor FPercentColor = 0;
    TLPBPercentBoundVisibilitySet FPercentVisibility =
        TLPBPercentBoundVisibilitySet(bvMinVisible) | bvInside | bvMaxVisible;
    QFont FPercentFont;
    bool FAnimationMode = false;
    int FAnimationOffset = 0;
    std::int64_t FAnimationTick = 0;
    uint FAnimationDelay = 200;
    std::vector<TGradientSection> FSections;
    std::vector<TGradientPreset> FPresets;
    std::array<QString, 4> FPercentTexts;
    std::array<QString, 3> FInfoTemplates;

    int FTextStripHeight = 0;
    int FBarHeight = 20;
    int FInfoStripHeight = 0;
    QImage FTextStrip;
    QImage FBarStrip;
    QImage FInfoStrip;
    QImage FSegmentImage;
    bool FSegmentImageMarked = true;

    bool FTimingActive = false;
    std::int64_t FStartTick = 0;
    TTickSource FTicks;
    bool FLoading = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TLabelProgressBar::TLPBPercentBoundVisibilitySet)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLabelProgressBar::TLPBViewSet)

// Fills "%d" with the given numbers in turn and "%%" with "%"; anything
// else, a "%d" beyond the numbers included, stays as written.
QString FormatPercentText(const QString& pattern, std::initializer_list<std::int64_t> numbers);

// Puts hours, minutes and seconds into the first "[Hours]", "[Minutes]" and
// "[Seconds]", each with a leading "0" below 10.
QString FillTimeTemplate(QString pattern, std::int64_t hours, std::int64_t minutes,
                         std::int64_t seconds);

}  // namespace vantrel
