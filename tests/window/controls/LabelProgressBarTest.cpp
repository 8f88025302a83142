#include <gtest/gtest.h>

#include <stdexcept>

#include "PixelCanvas.h"
#include "window/controls/ColorFunctions.h"
#include "window/controls/LabelProgressBar.h"

namespace vantrel {
namespace {

using test::TFixedTextMeasure;
using test::TPixelCanvas;

class LabelProgressBarCore : public ::testing::Test {
protected:
    LabelProgressBarCore() : bar((test::UseTestSystemColors(), measure)) {}

    TLabelProgressBarSettings& S() { return bar.EditSettings(); }
    // The bar strip of a control `width` pixels wide.
    TPixelCanvas Bar(int width) {
        TPixelCanvas canvas(width, bar.BarStripHeight());
        bar.DrawBar(canvas, width);
        return canvas;
    }

    TFixedTextMeasure measure;
    TLabelProgressBarCore bar;
};

TEST_F(LabelProgressBarCore, DefaultsFitATwentyPixelBar) {
    EXPECT_EQ(bar.BarStripHeight(), 20);
    EXPECT_EQ(bar.TextStripHeight(), TFixedTextMeasure::kLineHeight + 2 + 4);
    EXPECT_EQ(bar.Settings().PercentColor, RGBToColor(109, 106, 255));
    EXPECT_EQ(bar.Settings().PercentFont.Weight, 700);
    // 14 pixels of fill: 6 + 2 + 6.
    const std::vector<TGradientSection> expected = {{AdjustLuminance(clBlue, 100), clBlue, 6},
                                                    {clBlue, clBlue, 2},
                                                    {clBlue, AdjustLuminance(clBlue, -100), 6}};
    EXPECT_EQ(bar.Settings().Sections, expected);
}

TEST_F(LabelProgressBarCore, PercentTexts) {
    struct TRow {
        int Min, Max, Position;
        TPercentType Type;
        std::u16string Pattern;  // empty: the type's own
        std::u16string Shown;
    };
    const TRow rows[] = {
        {0, 200, 25, TPercentType::Percent, u"", u"12%"},  // 12.5 goes to the even 12
        {0, 200, 27, TPercentType::Percent, u"", u"14%"},  // 13.5 goes to 14
        // Byte counts of large downloads: 100 times the position overflows 32 bits.
        {0, 42'949'674, 21'474'837, TPercentType::Percent, u"", u"50%"},
        {0, 2'000'000'000, 1'990'000'000, TPercentType::Percent, u"", u"100%"},
        {10, 60, 35, TPercentType::Count, u"", u"25"},
        {10, 60, 35, TPercentType::Range, u"", u"25 of 50"},
        {10, 60, 35, TPercentType::Range, u"%d/%d (%s) 100%%", u"25/50 (%s) 100%"},
        {10, 60, 35, TPercentType::Count, u"%d %d %d", u"25 50 %d"},  // no third number
        {10, 60, 35, TPercentType::Static, u"Paused", u"Paused"},
        {10, 60, 35, TPercentType::Static, u"", u"Processing"},
        // A range that ends at 0 has no maximum to divide by.
        {-100, 0, -25, TPercentType::Percent, u"", u"75%"},
        // A download may report a size of 0: nothing to divide by at all.
        {0, 0, 0, TPercentType::Percent, u"", u"0%"},
    };
    for (const TRow& row : rows) {
        S().Min = row.Min;
        S().Max = row.Max;
        S().Position = row.Position;
        S().PercentType = row.Type;
        bar.SetPercentTypeText(row.Type, row.Pattern);
        EXPECT_EQ(bar.PercentBoxText(), row.Shown) << row.Position << " of " << row.Max;
    }
}

TEST_F(LabelProgressBarCore, BoundsKeepThePositionInside) {
    bar.SetPosition(80, false);
    bar.SetMax(50);
    EXPECT_EQ(bar.Settings().Position, 50);
    bar.SetMin(60);
    EXPECT_EQ(bar.Settings().Position, 60);  // Min is not checked against Max
    bar.SetMin(0);
    bar.SetMax(100);
    bar.SetPosition(150, false);
    EXPECT_EQ(bar.Settings().Position, 100);
    bar.SetPosition(-5, false);
    EXPECT_EQ(bar.Settings().Position, 0);
}

TEST_F(LabelProgressBarCore, PercentBoxShowsAsItsBoundsSay) {
    S().PercentView = TPercentMode::Float;
    S().PercentMinVisible = false;
    S().Position = 0;
    EXPECT_FALSE(bar.PercentBoxShown());
    S().Position = 1;
    EXPECT_TRUE(bar.PercentBoxShown());
    S().PercentMaxVisible = false;
    S().Position = 100;
    EXPECT_FALSE(bar.PercentBoxShown());
    S().PercentView = TPercentMode::None;
    S().Position = 50;
    EXPECT_FALSE(bar.PercentBoxShown());
}

TEST_F(LabelProgressBarCore, FitBarHeightNeverGoesBelowFourteen) {
    const int strips = bar.ShownStripsHeight();
    EXPECT_EQ(strips, bar.TextStripHeight() + bar.InfoStripHeight());
    bar.FitBarHeight(strips + 40);
    EXPECT_EQ(bar.BarStripHeight(), 40);
    bar.FitBarHeight(strips + 13);
    EXPECT_EQ(bar.BarStripHeight(), 40);
    S().ShowText = false;
    bar.FitBarHeight(strips + 14);
    EXPECT_EQ(bar.BarStripHeight(), 14 + bar.TextStripHeight());
}

TEST_F(LabelProgressBarCore, SegmentsLeaveGapsAndSmoothFillEndsInAShadow) {
    // A flat border: the progress area starts at x 3 and y 3.
    S().Border = TBarBorder::Flat;
    S().Color = S().FillColor = clWhite;
    S().Position = 100;
    const TRgb white{255, 255, 255};
    TPixelCanvas segments = Bar(100);
    EXPECT_NE(segments.At(3, 10), white);
    EXPECT_NE(segments.At(14, 10), white);
    EXPECT_EQ(segments.At(15, 10), white);
    EXPECT_EQ(segments.At(16, 10), white);
    EXPECT_NE(segments.At(17, 10), white);
    // The gradient runs down each segment: the middle band is the base colour.
    EXPECT_EQ(segments.At(3, 3 + 6), (TRgb{0, 0, 255}));

    S().Smooth = true;
    S().SegmentShadow = true;
    S().Position = 40;
    bar.MarkSegmentImage();
    TPixelCanvas smooth = Bar(100);
    // Area 3..96 (one column kept for the shadow): 37 pixels of fill.
    EXPECT_EQ(smooth.At(3 + 36, 9), (TRgb{0, 0, 255}));
    EXPECT_EQ(smooth.At(3 + 37, 9), (TRgb{160, 160, 160}));
    EXPECT_EQ(smooth.At(3 + 37, 3), white);
    EXPECT_EQ(smooth.At(3 + 38, 9), white);
}

TEST_F(LabelProgressBarCore, EmptySegmentsAndEmptyRangesDrawNoProgress) {
    S().Color = S().FillColor = clWhite;
    S().Position = 100;
    bar.SetSegmentWidth(0);
    bar.SetSegmentSpace(0);  // would never get past the fill's end
    EXPECT_EQ(Bar(50).At(10, 10), (TRgb{255, 255, 255}));
    bar.SetSegmentWidth(12);
    S().Max = S().Min;
    S().PercentView = TPercentMode::Center;
    TPixelCanvas empty = Bar(50);
    EXPECT_EQ(empty.At(10, 10), (TRgb{255, 255, 255}));
    EXPECT_TRUE(empty.Texts.empty());
}

TEST_F(LabelProgressBarCore, PercentBoxPlaces) {
    // Lowered border: the area runs from x 3 to 197 in a 200 wide bar.
    S().Position = 50;                                    // 97 pixels of fill
    const int w = 4 * TFixedTextMeasure::kCharWidth + 4;  // as wide as "999%"
    struct TRow {
        TPercentMode Mode;
        int Position;
        int Left;
    };
    const TRow rows[] = {
        {TPercentMode::Start, 50, 3 + 4},
        {TPercentMode::Center, 50, 3 + (194 - w) / 2},
        {TPercentMode::Float, 50, 3 + 97 + 4},
        // Pinned before the end once it no longer fits right of the fill.
        {TPercentMode::Float, 90, 197 - 4 - w},
    };
    for (const TRow& row : rows) {
        S().PercentView = row.Mode;
        S().Position = row.Position;
        TPixelCanvas canvas = Bar(200);
        ASSERT_EQ(canvas.Texts.size(), 1u);
        EXPECT_EQ(canvas.Texts[0].Box.Left, row.Left + 1) << row.Position;
        EXPECT_EQ(canvas.Texts[0].Box.Width(), w - 2);
        EXPECT_EQ(canvas.Texts[0].Box.Height(), TFixedTextMeasure::kLineHeight);
    }
}

TEST_F(LabelProgressBarCore, TintedPatchBlendsTheBarOverPercentColor) {
    S().Color = S().FillColor = clWhite;
    S().PercentView = TPercentMode::Start;
    S().PercentColor = RGBToColor(0, 100, 255);
    S().Position = 0;
    TPixelCanvas canvas = Bar(200);
    const TRect box = canvas.Texts.at(0).Box;
    // White under the tint: 255 × 178 / 255 + tint × 77 / 255, rounded.
    EXPECT_EQ(canvas.At(box.Left, box.Top), (TRgb{178, 208, 255}));
}

TEST_F(LabelProgressBarCore, BadColoursLeaveOnlyTheirElementUndrawn) {
    S().Border = TBarBorder::FlatBold;
    S().Color = S().FillColor = clWhite;
    S().FlatLightColorAdjustment = 300;  // out of range for the luminance
    S().PercentColor = 0x55000000;       // not a colour
    S().PercentView = TPercentMode::Start;
    S().Position = 50;
    TPixelCanvas canvas = Bar(100);
    EXPECT_EQ(canvas.At(5, 1), (TRgb{255, 255, 255}));  // light outline undrawn
    EXPECT_EQ(canvas.At(5, 2), ResolveRgb(AdjustLuminance(clBtnShadow, -50)));
    EXPECT_EQ(canvas.Texts.size(), 1u);  // the box still shows its text
}

TEST_F(LabelProgressBarCore, LineStripsElideTheirText) {
    S().Text = u"A text far too long for the strip";
    S().TextAlignment = THorzAlign::Right;
    TPixelCanvas canvas(60, bar.TextStripHeight());
    bar.DrawTextStrip(canvas, 60);
    ASSERT_EQ(canvas.Texts.size(), 1u);
    EXPECT_EQ(canvas.Texts[0].Box, (TRect{2, 2, 58, bar.TextStripHeight() - 2}));
    EXPECT_EQ(canvas.Texts[0].Text, u"A text f\u2026");
}

TEST(PercentTextFunctions, TemplatesFillTheFirstPlaceholders) {
    EXPECT_EQ(FillTimeTemplate(u"[Hours]h [Minutes]m [Seconds]s [Hours]", 7, 10, 0),
              u"07h 10m 00s [Hours]");
    EXPECT_EQ(FillTimeTemplate(u"no time", 1, 2, 3), u"no time");
    EXPECT_EQ(NearestPercent(-1, -8), 12);  // 12.5 to the even 12
    EXPECT_EQ(NearestPercent(5, 0), 0);
}

class TimingTexts : public LabelProgressBarCore {
protected:
    TimingTexts() {
        bar.SetTickSource([this] { return now; });
        bar.SetPosition(5, false);
    }

    std::int64_t now = 1'000;
};

TEST_F(TimingTexts, ElapsedTimeStartsAtTheMinimumAndStopsAtTheMaximum) {
    S().InfoType = TInfoType::ElapsedTime;
    EXPECT_EQ(bar.InfoText(), u"");
    bar.SetPosition(0, false);
    now += (2 * 3600 + 3 * 60 + 4) * 1000 + 999;
    EXPECT_EQ(bar.InfoText(), u"Elapsed time: 02:03:04");
    // More than 255 hours are shown as they are.
    now += 300ll * 3600 * 1000;
    EXPECT_EQ(bar.InfoText(), u"Elapsed time: 302:03:04");
    bar.SetPosition(100, false);
    EXPECT_EQ(bar.InfoText(), u"");
}

TEST_F(TimingTexts, TimeLeftEstimatesFromTheRateSoFar) {
    S().InfoType = TInfoType::TimeLeft;
    bar.SetPosition(0, false);
    bar.SetPosition(25, false);
    now += 20'000;  // 25 of 100 in 20 s: 60 s to go
    EXPECT_EQ(bar.InfoText(), u"Time left: 00:01:00");
    bar.SetPosition(1, false);  // too little done: elapsed time times the range
    EXPECT_EQ(bar.InfoText(), u"Time left: 00:33:20");
    bar.SetMax(1'000'000);
    EXPECT_EQ(bar.InfoText(), u"Time left: 5555:33:20");
    S().InfoType = TInfoType::Static;
    S().Info = u"Time remaining:";
    EXPECT_EQ(bar.InfoText(), u"Time remaining:");
}

TEST_F(TimingTexts, AFormBeingReadDoesNotStartTheClock) {
    S().InfoType = TInfoType::ElapsedTime;
    bar.SetPosition(0, true);
    EXPECT_EQ(bar.InfoText(), u"");
}

}  // namespace
}  // namespace vantrel
