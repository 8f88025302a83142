// The label progress bar without a toolkit: its settings, its layout, its
// texts, and the drawing of its three strips (an optional text line; the bar
// with border, fill, a progress fill painted from a stack of colour
// gradients and a small percent box floating over a tinted patch; an
// optional info line with a static text, the elapsed time or the time left).
// A front end's widget keeps one, forwards its properties to it and paints
// the strips it draws.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "window/controls/Canvas.h"
#include "window/controls/Colors.h"
#include "window/controls/Percent.h"
#include "window/controls/PixelImage.h"

namespace vantrel {

// One band of the progress fill: a vertical gradient from Color1 at its top
// to Color2 at its bottom, SectionHeight pixels high.
struct TGradientSection {
    TColor Color1 = 0;
    TColor Color2 = 0;
    std::int32_t SectionHeight = 0;
    bool operator==(const TGradientSection&) const = default;
};

enum class TBarBorder { Lowered, Raised, Flat, FlatRounded, FlatBold, FlatBoldRounded };
enum class TPercentMode { None, Center, Float, Start };
enum class TPercentType { Percent, Count, Range, Static };
enum class TInfoType { Static, ElapsedTime, TimeLeft };

struct TLabelProgressBarSettings {
    TColor Color = clWindow;
    TColor FillColor = clWindow;
    TPixelImage FillBitmap;
    std::u16string Text;
    THorzAlign TextAlignment = THorzAlign::Left;
    TFont TextFont;
    std::u16string Info;
    THorzAlign InfoAlignment = THorzAlign::Left;
    TFont InfoFont;
    TInfoType InfoType = TInfoType::Static;
    bool ShowText = true;
    bool ShowInfo = true;
    int Max = 100;
    int Min = 0;
    int Position = 0;
    bool Smooth = false;
    int SegmentWidth = 12;
    int SegmentSpace = 2;
    // One column, repeated across each segment.
    TPixelImage SegmentBitmap;
    bool SegmentShadow = false;
    TBarBorder Border = TBarBorder::Lowered;
    TColor FlatColor = clBtnShadow;
    int FlatLightColorAdjustment = 30;
    int FlatDarkColorAdjustment = 50;
    TPercentMode PercentView = TPercentMode::None;
    TPercentType PercentType = TPercentType::Percent;
    TColor PercentColor = 0;
    bool PercentMinVisible = true;
    bool PercentInside = true;
    bool PercentMaxVisible = true;
    TFont PercentFont;
    bool AnimationMode = false;
    std::vector<TGradientSection> Sections;
    // By percent type: "%d%%", "%d", "%d of %d", "Processing".
    std::array<std::u16string, 4> PercentTexts;
    // By info type: the static text's (unused), elapsed time, time left.
    std::array<std::u16string, 3> InfoTemplates;
};

class TLabelProgressBarCore {
public:
    // Milliseconds of a monotonic clock; replaceable so that the timing
    // texts can be checked without waiting.
    using TTickSource = std::function<std::int64_t()>;

    // The default look: Tahoma 8 for the lines, bold for the percent box, a
    // bar of 20 pixels with the blue default gradient. `measure` sizes the
    // text strips.
    explicit TLabelProgressBarCore(const TTextMeasure& measure);

    const TLabelProgressBarSettings& Settings() const { return FSettings; }
    // For the settings without rules of their own; a change of what the
    // segments look like must be followed by MarkSegmentImage().
    TLabelProgressBarSettings& EditSettings() { return FSettings; }
    void MarkSegmentImage() { FSegmentImageMarked = true; }

    void SetTextFont(const TFont& font, const TTextMeasure& measure);
    void SetInfoFont(const TFont& font, const TTextMeasure& measure);
    void SetMax(int max);
    void SetMin(int min);
    // Clamped into Min..Max; reaching Min starts the timing texts' clock,
    // reaching Max stops it. `loading` (a form being read) keeps the clock.
    void SetPosition(int position, bool loading);
    void SetSegmentWidth(int width);
    void SetSegmentSpace(int space);
    // Only the first column of `bitmap` is kept.
    void SetSegmentBitmap(const TPixelImage& bitmap);
    void SetAnimationMode(bool animation, bool loading);
    // Replaces the text that `type` shows; an empty text brings back the
    // type's own.
    void SetPercentTypeText(TPercentType type, std::u16string text);
    void SetTickSource(TTickSource source) { FTicks = std::move(source); }

    // Layout: the bar strip's height, and of the two text strips as measured.
    int BarStripHeight() const { return FBarHeight; }
    void SetBarStripHeight(int height) { FBarHeight = height; }
    int TextStripHeight() const { return FTextStripHeight; }
    int InfoStripHeight() const { return FInfoStripHeight; }
    // The text strips that are shown, together.
    int ShownStripsHeight() const;
    // The bar takes what the shown strips leave of `controlHeight`, unless
    // that is too little for a bar.
    void FitBarHeight(int controlHeight);
    // The blue gradient fitted to the bar's height and border.
    std::vector<TGradientSection> DefaultSections() const;

    // What the percent box and the info strip say now.
    std::u16string PercentBoxText() const;
    bool PercentBoxShown() const;
    std::u16string InfoText() const;

    // The strips for a control `width` pixels wide; each canvas is the
    // strip's own, as high as the strip, and the bar's must read back.
    void DrawTextStrip(TCanvas& canvas, int width) const;
    void DrawInfoStrip(TCanvas& canvas, int width) const;
    void DrawBar(TCanvas& canvas, int width);

private:
    struct TBox {
        int X = 0, Y = 0, W = 0, H = 0;
    };

    int BorderInset() const;
    void PrepareSegmentImage(int width);
    void PaintGradientColumn(TPixelImage& column) const;
    void DrawLineStrip(TCanvas& canvas, int width, int height, const std::u16string& text,
                       const TFont& font, THorzAlign alignment) const;
    void DrawBorder(TCanvas& canvas, const TRect& r) const;
    int FillLength(const TRect& area) const;
    void DrawSmoothFill(TCanvas& canvas, const TRect& area, int f) const;
    void DrawSegments(TCanvas& canvas, const TRect& area, int f) const;
    void DrawAnimation(TCanvas& canvas, const TRect& area);
    TBox PercentBoxPlace(const TCanvas& canvas, const TRect& area, int f) const;
    void DrawPercentBox(TCanvas& canvas, const TRect& area, int f) const;

    TLabelProgressBarSettings FSettings;
    int FTextStripHeight = 0;
    int FBarHeight = 20;
    int FInfoStripHeight = 0;
    TPixelImage FSegmentImage;
    bool FSegmentImageMarked = true;
    int FAnimationOffset = 0;
    std::int64_t FAnimationTick = 0;
    bool FTimingActive = false;
    std::int64_t FStartTick = 0;
    TTickSource FTicks;
};

// Fills "%d" with the given numbers in turn and "%%" with "%"; anything
// else, a "%d" beyond the numbers included, stays as written.
std::u16string FormatPercentText(std::u16string_view pattern,
                                 std::initializer_list<std::int64_t> numbers);

// Puts hours, minutes and seconds into the first "[Hours]", "[Minutes]" and
// "[Seconds]", each with a leading "0" below 10.
std::u16string FillTimeTemplate(std::u16string pattern, std::int64_t hours, std::int64_t minutes,
                                std::int64_t seconds);

}  // namespace vantrel
