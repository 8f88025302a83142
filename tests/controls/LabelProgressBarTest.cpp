#include <gtest/gtest.h>

#include <QFontMetrics>

#include <stdexcept>

#include "RenderWidget.h"
#include "controls/ColorFunctions.h"
#include "controls/LabelProgressBar.h"
#include "tools/gallery/GalleryForms.h"

namespace vantrel {
namespace {

using B = TLabelProgressBar;
using test::Paints;
using test::Pixel;

// The main window's bar: progress area x 4..424 (the shadow column is kept
// free), y 4..19.
constexpr int kLeft = 4;
constexpr int kRight = 424;
constexpr int kTop = 4;
constexpr int kBottom = 19;

class MainWindowBar : public ::testing::Test {
protected:
    MainWindowBar() { gallery::LookOfMainWindowBar(bar); }

    QImage Strip() {
        bar.RedrawStrips();
        return bar.BarStrip();
    }
    QColor Dark() const { return Paints(AdjustLuminance(clBtnShadow, -20)); }
    QColor Light() const { return Paints(AdjustLuminance(clBtnShadow, 60)); }
    QFontMetrics PercentMetrics() const { return QFontMetrics(bar.PercentFont()); }
    int PercentBoxWidth() const {
        const QFontMetrics m = PercentMetrics();
        return std::max(m.horizontalAdvance("999%"), m.horizontalAdvance(bar.PercentBoxText())) + 4;
    }
    int BoxHeight() const { return PercentMetrics().height() + 2; }
    int BoxTop() const { return kTop + (kBottom - kTop - BoxHeight()) / 2; }
    // The percent box frame's cut outline at (x, BoxTop()) of width w.
    void ExpectBoxFrame(const QImage& image, int x, int w) {
        const int y = BoxTop();
        const int h = BoxHeight();
        EXPECT_EQ(Pixel(image, x + 1, y), Dark()) << x;
        EXPECT_EQ(Pixel(image, x, y + 1), Dark()) << x;
        EXPECT_EQ(Pixel(image, x + w - 1, y + h / 2), Dark()) << x;
        EXPECT_EQ(Pixel(image, x + w - 2, y + h - 1), Dark()) << x;
        EXPECT_NE(Pixel(image, x + w, y + h / 2), Dark()) << x;
        EXPECT_NE(Pixel(image, x - 1, y + h / 2), Dark()) << x;
    }

    TLabelProgressBar bar;
};

TEST(LabelProgressBar, Defaults) {
    TLabelProgressBar bar;
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_GE(bar.Position(), 1);
    EXPECT_LE(bar.Position(), 100);
    EXPECT_EQ(bar.width(), 220);
    EXPECT_EQ(bar.BarStripHeight(), 20);
    EXPECT_EQ(bar.height(), bar.TextStripHeight() + 20 + bar.InfoStripHeight());
    EXPECT_EQ(bar.TextStripHeight(), QFontMetrics(bar.TextFont()).height() + 4);
    EXPECT_EQ(bar.ViewOptions(), B::TLPBViewSet(B::viewText) | B::viewInfo);
    EXPECT_EQ(bar.Border(), B::brLowered);
    EXPECT_EQ(bar.PercentView(), B::percentNone);
    EXPECT_EQ(bar.PercentType(), B::showPercent);
    EXPECT_EQ(bar.PercentColor(), RGBToColor(109, 106, 255));
    EXPECT_EQ(bar.SegmentWidth(), 12);
    EXPECT_EQ(bar.SegmentSpace(), 2);
    EXPECT_EQ(bar.FlatLightColorAdjustment(), 30);
    EXPECT_EQ(bar.FlatDarkColorAdjustment(), 50);
    EXPECT_EQ(bar.AnimationDelay(), 200u);
    EXPECT_TRUE(bar.PercentFont().bold());
    EXPECT_FALSE(bar.TextFont().bold());
    // Sections for a 20-pixel bar: 14 pixels of fill, 6 + 2 + 6.
    ASSERT_EQ(bar.SegmentGradient().size(), 3u);
    EXPECT_EQ(bar.SegmentGradient()[0].SectionHeight, 6);
    EXPECT_EQ(bar.SegmentGradient()[1].SectionHeight, 2);
    EXPECT_EQ(bar.SegmentGradient()[1].Color1, clBlue);
    EXPECT_EQ(bar.SegmentGradient()[2].Color2, AdjustLuminance(clBlue, -100));
    EXPECT_TRUE(bar.setProperty("PercentView", int(B::percentFloat)));
    EXPECT_EQ(bar.PercentView(), B::percentFloat);
}

TEST_F(MainWindowBar, BoldRoundedBorderLeavesAreaFromY4ToY19) {
    EXPECT_EQ(bar.size(), QSize(429, 23));
    EXPECT_EQ(bar.BarStripHeight(), 23);
    bar.SetPosition(50);
    const QImage image = Strip();
    ASSERT_EQ(image.size(), QSize(429, 23));
    const int x = kLeft + 1;
    EXPECT_EQ(Pixel(image, x, 1), Light());
    EXPECT_EQ(Pixel(image, x, 2), Dark());
    EXPECT_EQ(Pixel(image, x, 3), Paints(clWhite));
    EXPECT_EQ(Pixel(image, x, kTop), QColor(255, 205, 155));     // light orange
    EXPECT_EQ(Pixel(image, x, kTop + 6), QColor(255, 128, 0));   // orange
    EXPECT_EQ(Pixel(image, x, kTop + 7), QColor(255, 128, 0));   // the orange line
    EXPECT_EQ(Pixel(image, x, kBottom - 1), QColor(42, 21, 0));  // dark brown
    EXPECT_EQ(Pixel(image, x, kBottom), Paints(clWhite));
    EXPECT_EQ(Pixel(image, x, 20), Dark());
    EXPECT_EQ(Pixel(image, x, 21), Light());
    // Corners: the light outline cut by two pixels, the dark one by one.
    EXPECT_EQ(Pixel(image, 1, 1), Paints(clWhite));
    EXPECT_EQ(Pixel(image, 2, 1), Paints(clWhite));
    EXPECT_EQ(Pixel(image, 3, 1), Light());
    EXPECT_EQ(Pixel(image, 2, 2), Light());
    EXPECT_EQ(Pixel(image, 1, 3), Light());
    EXPECT_EQ(Pixel(image, 3, 2), Dark());
    EXPECT_EQ(Pixel(image, 3, 3), Paints(clWhite));
    EXPECT_EQ(Pixel(image, 427, 21), Paints(clWhite));
    EXPECT_EQ(Pixel(image, 426, 20), Light());
}

TEST_F(MainWindowBar, SmoothFillEndsInAShadowLine) {
    bar.SetPosition(50);
    const QImage image = Strip();
    const int f = 210;  // 50 of 100 over 420 pixels
    EXPECT_EQ(Pixel(image, kLeft + f - 1, kTop + 6), QColor(255, 128, 0));
    EXPECT_EQ(Pixel(image, kLeft + f, kTop), Paints(clWhite));
    for (int y = kTop + 1; y < kBottom - 1; ++y)
        EXPECT_EQ(Pixel(image, kLeft + f, y), Paints(clBtnShadow)) << y;
    EXPECT_EQ(Pixel(image, kLeft + f, kBottom - 1), Paints(clWhite));
    EXPECT_EQ(Pixel(image, kLeft + f + 1, kTop + 6), Paints(clWhite));
}

TEST_F(MainWindowBar, PercentBoxFloatsRightOfTheFillThenStaysPinned) {
    bar.SetPosition(42);
    const int f42 = 176;  // 42 * 4.2 = 176.4
    ExpectBoxFrame(Strip(), kLeft + f42 + 4, PercentBoxWidth());

    const int w = PercentBoxWidth();
    // The first position at which the box no longer fits right of the fill.
    int first = -1;
    for (int p = 1; p <= 100 && first < 0; ++p)
        if (kLeft + p * 42 / 10 + 4 + w + 2 >= kRight)
            first = p;
    ASSERT_GT(first, 2);
    bar.SetPosition(first - 2);
    const int before = static_cast<int>(std::nearbyint((first - 2) * 4.2));
    ExpectBoxFrame(Strip(), kLeft + before + 4, w);
    for (int p : {first, 99, 100}) {
        bar.SetPosition(p);
        ExpectBoxFrame(Strip(), kRight - 4 - PercentBoxWidth(), PercentBoxWidth());
    }
}

TEST_F(MainWindowBar, TintedPatchBlendsTheBarOverPercentColor) {
    bar.SetPosition(42);
    const QImage image = Strip();
    const int x = kLeft + 176 + 4;
    const QColor tint = Paints(0x81FEE1);
    auto mix = [](int barChannel, int tintChannel) {
        return static_cast<int>(std::nearbyint((barChannel * 178 + tintChannel * 77) / 255.0));
    };
    // Over the white area right of the fill; the corner holds no text.
    EXPECT_EQ(Pixel(image, x + 1, BoxTop() + 1),
              QColor(mix(255, tint.red()), mix(255, tint.green()), mix(255, tint.blue())));
}

TEST_F(MainWindowBar, NoBoxAtTheMinimumWithoutMinVisible) {
    bar.SetPosition(1);
    bar.SetPosition(0);
    const QImage atMin = Strip();
    for (int x = kLeft; x < kRight; ++x)
        ASSERT_NE(Pixel(atMin, x, BoxTop()), Dark()) << x;
    bar.SetPosition(1);
    ExpectBoxFrame(Strip(), kLeft + 4 + 4, PercentBoxWidth());
    bar.SetPercentVisibility(B::TLPBPercentBoundVisibilitySet(B::bvMinVisible));
    bar.SetPosition(0);
    ExpectBoxFrame(Strip(), kLeft + 4, PercentBoxWidth());
}

TEST_F(MainWindowBar, PausedReplacesThePercentageAndProcessingComesBack) {
    bar.SetPosition(30);
    bar.SetPercentTypeText(B::showStatic, QStringLiteral("Paused"));
    bar.SetPercentType(B::showStatic);
    bar.SetPercentView(B::percentStart);
    EXPECT_EQ(bar.PercentBoxText(), "Paused");
    const QImage paused = Strip();
    const int pausedWidth = PercentMetrics().horizontalAdvance("Paused") + 4;
    ExpectBoxFrame(paused, kLeft + 4, pausedWidth);

    bar.SetPercentTypeText(B::showStatic, QString());
    EXPECT_EQ(bar.PercentBoxText(), "Processing");
    const int processingWidth = PercentMetrics().horizontalAdvance("Processing") + 4;
    ASSERT_NE(processingWidth, pausedWidth);
    ExpectBoxFrame(Strip(), kLeft + 4, processingWidth);
}

TEST_F(MainWindowBar, CentredBox) {
    bar.SetPosition(10);
    bar.SetPercentView(B::percentCenter);
    const int w = PercentBoxWidth();
    ExpectBoxFrame(Strip(), kLeft + (kRight - kLeft - w) / 2, w);
}

TEST(LabelProgressBar, PaintStacksTextBarAndInfoStrips) {
    TLabelProgressBar bar;
    bar.SetColor(clBtnFace);
    bar.SetText(QStringLiteral("Downloading"));
    bar.SetInfo(QStringLiteral("Time remaining:"));
    const QImage whole = test::Render(bar);
    const QImage strip = bar.BarStrip();
    const int top = bar.TextStripHeight();
    ASSERT_EQ(whole.height(), top + strip.height() + bar.InfoStripHeight());
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            ASSERT_EQ(whole.pixel(x, top + y), strip.pixel(x, y)) << x << "," << y;
    // Both text strips carry ink on the button-face background.
    auto inked = [&](int from, int to) {
        for (int y = from; y < to; ++y)
            for (int x = 0; x < whole.width(); ++x)
                if (Pixel(whole, x, y) != Paints(clBtnFace))
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(0, top));
    EXPECT_TRUE(inked(top + strip.height(), whole.height()));
    bar.SetInfo(QString());
    const QImage noInfo = test::Render(bar);
    EXPECT_FALSE([&] {
        for (int y = top + strip.height(); y < noInfo.height(); ++y)
            for (int x = 0; x < noInfo.width(); ++x)
                if (Pixel(noInfo, x, y) != Paints(clBtnFace))
                    return true;
        return false;
    }());
}

TEST(LabelProgressBar, PercentTexts) {
    TLabelProgressBar bar;
    bar.SetMax(200);
    bar.SetPosition(25);
    EXPECT_EQ(bar.PercentBoxText(), "12%");  // 12.5 goes to the even 12
    bar.SetPosition(27);
    EXPECT_EQ(bar.PercentBoxText(), "14%");  // 13.5 goes to 14
    // Byte counts of large downloads: 100 times the position overflows 32 bits.
    bar.SetMax(42'949'674);
    bar.SetPosition(21'474'837);
    EXPECT_EQ(bar.PercentBoxText(), "50%");
    bar.SetMax(2'000'000'000);
    bar.SetPosition(1'990'000'000);
    EXPECT_EQ(bar.PercentBoxText(), "100%");
    bar.SetPosition(1'000'000'000);
    EXPECT_EQ(bar.PercentBoxText(), "50%");

    bar.SetMin(10);
    bar.SetMax(60);
    bar.SetPosition(35);
    bar.SetPercentType(B::showCount);
    EXPECT_EQ(bar.PercentBoxText(), "25");
    bar.SetPercentType(B::showRange);
    EXPECT_EQ(bar.PercentBoxText(), "25 of 50");
    bar.SetPercentTypeText(B::showRange, QStringLiteral("%d/%d (%s) 100%%"));
    EXPECT_EQ(bar.PercentBoxText(), "25/50 (%s) 100%");
    bar.SetPercentTypeText(B::showCount, QStringLiteral("%d %d %d"));
    bar.SetPercentType(B::showCount);
    EXPECT_EQ(bar.PercentBoxText(), "25 50 %d");  // no third number: left as written

    // A range that ends at 0 has no maximum to divide by.
    bar.SetPercentType(B::showPercent);
    bar.SetMin(-100);
    bar.SetMax(0);
    bar.SetPosition(-25);
    EXPECT_EQ(bar.PercentBoxText(), "75%");
    // A download may report a size of 0: nothing to divide by at all.
    bar.SetMin(0);
    EXPECT_EQ(bar.PercentBoxText(), "0%");
}

TEST(LabelProgressBar, BoundsKeepThePositionInside) {
    TLabelProgressBar bar;
    bar.SetPosition(80);
    bar.SetMax(50);
    EXPECT_EQ(bar.Position(), 50);
    bar.SetMin(60);
    EXPECT_EQ(bar.Position(), 60);  // Min is not checked against Max
    bar.SetMin(0);
    bar.SetMax(100);
    bar.SetPosition(150);
    EXPECT_EQ(bar.Position(), 100);
    bar.SetPosition(-5);
    EXPECT_EQ(bar.Position(), 0);
    // An empty or reversed range draws no progress and no box.
    bar.SetMax(0);
    bar.SetPercentView(B::percentCenter);
    EXPECT_NO_THROW(bar.RedrawStrips());
}

TEST(LabelProgressBar, SegmentModeLeavesGapsBetweenSegments) {
    TLabelProgressBar bar;
    bar.SetViewOptions({});
    bar.SetBorder(B::brFlat);
    bar.SetColor(clWhite);
    bar.SetFillColor(clWhite);
    bar.SetPosition(100);
    bar.RedrawStrips();
    const QImage image = bar.BarStrip();
    // brFlat: area from x 3; segments 12 wide with 2-pixel gaps.
    const int y = bar.BarStripHeight() / 2;
    EXPECT_NE(Pixel(image, 3, y), Paints(clWhite));
    EXPECT_NE(Pixel(image, 14, y), Paints(clWhite));
    EXPECT_EQ(Pixel(image, 15, y), Paints(clWhite));
    EXPECT_EQ(Pixel(image, 16, y), Paints(clWhite));
    EXPECT_NE(Pixel(image, 17, y), Paints(clWhite));
    // Zero-sized segments with no gap never end the loop; they draw nothing.
    bar.SetSegmentWidth(0);
    bar.SetSegmentSpace(0);
    EXPECT_NO_THROW(bar.RedrawStrips());
    bar.SetAnimationMode(true);
    EXPECT_NO_THROW(bar.RedrawStrips());
}

TEST(LabelProgressBar, BadColoursLeaveOnlyTheirElementUndrawn) {
    TLabelProgressBar bar;
    gallery::LookOfMainWindowBar(bar);
    bar.SetPosition(50);
    bar.SetFlatLightColorAdjustment(300);  // out of range for the luminance
    bar.SetPercentColor(0x55000000);       // not a colour
    EXPECT_NO_THROW(bar.RedrawStrips());
    const QImage image = bar.BarStrip();
    EXPECT_EQ(Pixel(image, 5, 1), Paints(clWhite));  // light outline undrawn
    EXPECT_EQ(Pixel(image, 5, 2), Paints(AdjustLuminance(clBtnShadow, -20)));
    EXPECT_EQ(Pixel(image, 5, kTop + 6), QColor(255, 128, 0));  // fill still drawn
}

TEST(LabelProgressBar, ViewOptionsAndBarHeightSetTheControlHeight) {
    TLabelProgressBar bar;
    bar.show();  // Qt holds resize events back from hidden widgets
    const int text = bar.TextStripHeight();
    const int info = bar.InfoStripHeight();
    bar.SetViewOptions(B::TLPBViewSet(B::viewInfo));
    EXPECT_EQ(bar.height(), 20 + info);
    bar.SetBarHeightData(QByteArray("\x1e\x00\x00\x00", 4));
    EXPECT_EQ(bar.BarStripHeight(), 30);
    EXPECT_EQ(bar.height(), 30 + info);
    EXPECT_EQ(bar.BarHeightData(), QByteArray("\x1e\x00\x00\x00", 4));
    // Resizing fits the bar, but never below 14 pixels.
    bar.resize(bar.width(), info + 40);
    EXPECT_EQ(bar.BarStripHeight(), 40);
    bar.resize(bar.width(), info + 13);
    EXPECT_EQ(bar.BarStripHeight(), 40);
    bar.SetViewOptions(B::TLPBViewSet(B::viewText) | B::viewInfo);
    EXPECT_EQ(bar.height(), text + 40 + info);
}

TEST(LabelProgressBar, GradientSectionDataRoundTripsAndRejectsBadData) {
    TLabelProgressBar bar;
    const std::vector<TGradientSection> sections = {{0x9BCDFF, 0x0080FF, 7},
                                                    {0x0080FF, 0x00152A, -2}};
    bar.SetSegmentGradient(sections);
    const QByteArray data = bar.GradientSectionData();
    ASSERT_EQ(data.size(), 4 + 2 * 12);
    EXPECT_EQ(data.left(8), QByteArray("\x02\x00\x00\x00\xFF\xCD\x9B\x00", 8));
    TLabelProgressBar other;
    other.SetGradientSectionData(data);
    EXPECT_EQ(other.SegmentGradient(), sections);

    const auto keep = other.SegmentGradient();
    EXPECT_THROW(other.SetGradientSectionData(data.left(data.size() - 1)), std::invalid_argument);
    EXPECT_THROW(other.SetGradientSectionData(data + 'x'), std::invalid_argument);
    QByteArray huge = data;
    huge[3] = '\x7F';
    EXPECT_THROW(other.SetGradientSectionData(huge), std::invalid_argument);
    QByteArray negative = data;
    negative[3] = '\xFF';
    EXPECT_THROW(other.SetGradientSectionData(negative), std::invalid_argument);
    EXPECT_THROW(other.SetGradientSectionData(QByteArray()), std::invalid_argument);
    EXPECT_EQ(other.SegmentGradient(), keep);
    EXPECT_THROW(other.SetBarHeightData(QByteArray("\x00\x00\x00\x00", 4)), std::invalid_argument);
    EXPECT_THROW(other.SetBarHeightData(QByteArray("\x10\x00", 2)), std::invalid_argument);
}

TEST(LabelProgressBar, GradientPresetsRoundTripAndRejectBadData) {
    QByteArray data("\x02\x00\x00\x00", 4);
    data += QByteArray("\x04Warm", 5);
    data += QByteArray("\x01\x00\x00\x00", 4);
    data += QByteArray("\x01\x02\x03\x00\x04\x05\x06\x00\x07\x00\x00\x00", 12);
    data += QByteArray("\x00", 1);
    data += QByteArray("\x00\x00\x00\x00", 4);
    TLabelProgressBar bar;
    EXPECT_EQ(bar.CustomGradientPressets(), QByteArray("\x00\x00\x00\x00", 4));
    bar.SetCustomGradientPressets(data);
    ASSERT_EQ(bar.GradientPresets().size(), 2u);
    EXPECT_EQ(bar.GradientPresets()[0].Name, "Warm");
    EXPECT_EQ(bar.GradientPresets()[0].Sections,
              (std::vector<TGradientSection>{{0x030201, 0x060504, 7}}));
    EXPECT_TRUE(bar.GradientPresets()[1].Name.isEmpty());
    EXPECT_EQ(bar.CustomGradientPressets(), data);
    // Through the property system, as a form loader sets it.
    TLabelProgressBar other;
    EXPECT_TRUE(other.setProperty("CustomGradientPressets", data));
    EXPECT_EQ(other.GradientPresets(), bar.GradientPresets());

    for (int cut = 1; cut < data.size(); ++cut)
        EXPECT_THROW(other.SetCustomGradientPressets(data.left(cut)), std::invalid_argument) << cut;
    QByteArray longName = data;
    longName[4] = '\xF0';  // a name running past the end
    EXPECT_THROW(other.SetCustomGradientPressets(longName), std::invalid_argument);
    EXPECT_EQ(other.GradientPresets().size(), 2u);
}

class TimingTexts : public ::testing::Test {
protected:
    TimingTexts() {
        bar.SetTickSource([this] { return now; });
        bar.SetViewOptions(B::TLPBViewSet(B::viewInfo));
        bar.SetPosition(5);
    }

    std::int64_t now = 1'000;
    TLabelProgressBar bar;
};

TEST_F(TimingTexts, ElapsedTimeStartsAtTheMinimumAndStopsAtTheMaximum) {
    bar.SetInfoType(B::infElapsedTime);
    EXPECT_EQ(bar.InfoText(), "");
    bar.SetPosition(0);
    now += (2 * 3600 + 3 * 60 + 4) * 1000 + 999;
    EXPECT_EQ(bar.InfoText(), "Elapsed time: 02:03:04");
    // More than 255 hours are shown as they are.
    now += 300ll * 3600 * 1000;
    EXPECT_EQ(bar.InfoText(), "Elapsed time: 302:03:04");
    EXPECT_NO_THROW(bar.RedrawStrips());
    bar.SetPosition(100);
    EXPECT_EQ(bar.InfoText(), "");
}

TEST_F(TimingTexts, TimeLeftEstimatesFromTheRateSoFar) {
    bar.SetInfoType(B::infTimeLeft);
    bar.SetPosition(0);
    bar.SetPosition(25);
    now += 20'000;  // 25 of 100 in 20 s: 60 s to go
    EXPECT_EQ(bar.InfoText(), "Time left: 00:01:00");
    bar.SetPosition(1);  // too little done: elapsed time times the range
    EXPECT_EQ(bar.InfoText(), "Time left: 00:33:20");
    bar.SetMax(1'000'000);
    EXPECT_EQ(bar.InfoText(), "Time left: 5555:33:20");
    EXPECT_NO_THROW(bar.RedrawStrips());
    bar.SetInfoType(B::infStatic);
    bar.SetInfo(QStringLiteral("Time remaining:"));
    EXPECT_EQ(bar.InfoText(), "Time remaining:");
}

TEST(LabelProgressBar, TemplatesFillTheFirstPlaceholders) {
    EXPECT_EQ(FillTimeTemplate("[Hours]h [Minutes]m [Seconds]s [Hours]", 7, 10, 0),
              "07h 10m 00s [Hours]");
    EXPECT_EQ(FillTimeTemplate("no time", 1, 2, 3), "no time");
}

}  // namespace
}  // namespace vantrel
