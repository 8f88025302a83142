// A progress bar that draws itself into off-screen strips: an optional text
// line, the bar (border, fill, a progress fill painted from a stack of colour
// gradients, and a small percent box that floats over a tinted patch of the
// bar), and an optional info line (a static text, the elapsed time or the time
// left). The main window shows the package download with one of these. What
// the strips show is decided by the core (window/controls/LabelProgressBar.h);
// this widget holds the form's properties and paints the strips.
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

#include "frontend/qt/controls/Canvas.h"
#include "frontend/qt/controls/ControlColors.h"
#include "window/controls/ColorFunctions.h"
#include "window/controls/LabelProgressBar.h"

namespace vantrel {

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
    using TTickSource = TLabelProgressBarCore::TTickSource;

    explicit TLabelProgressBar(QWidget* parent = nullptr);

    TColor Color() const { return S().Color; }
    void SetColor(TColor color);
    TColor FillColor() const { return S().FillColor; }
    void SetFillColor(TColor color);
    const QImage& FillBitmap() const { return FFillBitmap; }
    void SetFillBitmap(const QImage& bitmap);
    QString Text() const { return ToQString(S().Text); }
    void SetText(const QString& text);
    TAlignment TextAlignment() const { return static_cast<TAlignment>(S().TextAlignment); }
    void SetTextAlignment(TAlignment alignment);
    const QFont& TextFont() const { return FTextFont; }
    void SetTextFont(const QFont& font);
    QString Info() const { return ToQString(S().Info); }
    void SetInfo(const QString& info);
    TAlignment InfoAlignment() const { return static_cast<TAlignment>(S().InfoAlignment); }
    void SetInfoAlignment(TAlignment alignment);
    const QFont& InfoFont() const { return FInfoFont; }
    void SetInfoFont(const QFont& font);
    TLPBInfoType InfoType() const { return static_cast<TLPBInfoType>(S().InfoType); }
    void SetInfoType(TLPBInfoType type);
    TLPBViewSet ViewOptions() const;
    void SetViewOptions(TLPBViewSet options);
    TLPBInfoMode ModeInfo() const { return FModeInfo; }
    void SetModeInfo(TLPBInfoMode mode) { FModeInfo = mode; }

    int Max() const { return S().Max; }
    void SetMax(int max);
    int Min() const { return S().Min; }
    void SetMin(int min);
    int Position() const { return S().Position; }
    void SetPosition(int position);

    bool Smooth() const { return S().Smooth; }
    void SetSmooth(bool smooth);
    int SegmentWidth() const { return S().SegmentWidth; }
    void SetSegmentWidth(int width);
    int SegmentSpace() const { return S().SegmentSpace; }
    void SetSegmentSpace(int space);
    const QImage& SegmentBitmap() const { return FSegmentBitmap; }
    void SetSegmentBitmap(const QImage& bitmap);
    bool SegmentShadow() const { return S().SegmentShadow; }
    void SetSegmentShadow(bool shadow);
    TLPBBorder Border() const { return static_cast<TLPBBorder>(S().Border); }
    void SetBorder(TLPBBorder border);
    TColor FlatColor() const { return S().FlatColor; }
    void SetFlatColor(TColor color);
    int FlatLightColorAdjustment() const { return S().FlatLightColorAdjustment; }
    void SetFlatLightColorAdjustment(int adjustment);
    int FlatDarkColorAdjustment() const { return S().FlatDarkColorAdjustment; }
    void SetFlatDarkColorAdjustment(int adjustment);

    TLPBPercentMode PercentView() const { return static_cast<TLPBPercentMode>(S().PercentView); }
    void SetPercentView(TLPBPercentMode view);
    TLPBPercentType PercentType() const { return static_cast<TLPBPercentType>(S().PercentType); }
    void SetPercentType(TLPBPercentType type);
    TColor PercentColor() const { return S().PercentColor; }
    void SetPercentColor(TColor color);
    TLPBPercentBoundVisibilitySet PercentVisibility() const;
    void SetPercentVisibility(TLPBPercentBoundVisibilitySet visibility);
    const QFont& PercentFont() const { return FPercentFont; }
    void SetPercentFont(const QFont& font);
    // Replaces the text that `type` shows; an empty text brings back the
    // type's own ("%d%%", "%d", "%d of %d", "Processing").
    void SetPercentTypeText(TLPBPercentType type, const QString& text);

    bool AnimationMode() const { return S().AnimationMode; }
    void SetAnimationMode(bool animation);
    uint AnimationDelay() const { return FAnimationDelay; }
    void SetAnimationDelay(uint delay) { FAnimationDelay = delay; }

    const std::vector<TGradientSection>& SegmentGradient() const { return S().Sections; }
    void SetSegmentGradient(std::vector<TGradientSection> sections);
    const std::vector<TGradientPreset>& GradientPresets() const { return FPresets; }

    // Height of the bar strip, and of the two text strips as measured.
    int BarStripHeight() const { return FCore.BarStripHeight(); }
    int TextStripHeight() const { return FCore.TextStripHeight(); }
    int InfoStripHeight() const { return FCore.InfoStripHeight(); }

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

    void SetTickSource(TTickSource source) { FCore.SetTickSource(std::move(source)); }

signals:
    void OnDblClick(QObject* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const TLabelProgressBarSettings& S() const { return FCore.Settings(); }
    void Redraw();
    void MarkSegmentImage() { FCore.MarkSegmentImage(); }
    void DrawStrip(QImage& strip, int height, const std::function<void(TCanvas&)>& draw);

    TLabelProgressBarCore FCore;
    // The pictures and fonts as the form set them, for reading back.
    QImage FFillBitmap;
    QImage FSegmentBitmap;
    QFont FTextFont;
    QFont FInfoFont;
    QFont FPercentFont;
    TLPBInfoMode FModeInfo = infoText;
    uint FAnimationDelay = 200;
    std::vector<TGradientPreset> FPresets;

    QImage FTextStrip;
    QImage FBarStrip;
    QImage FInfoStrip;
    bool FLoading = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TLabelProgressBar::TLPBPercentBoundVisibilitySet)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLabelProgressBar::TLPBViewSet)

}  // namespace vantrel
