#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include <stdexcept>

#include "RenderWidget.h"
#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/tools/gallery/GalleryForms.h"
#include "window/controls/ColorFunctions.h"

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

TEST(LabelProgressBar, TranslucentSegmentBitmapsBlendOverBlackUnlessSmooth) {
    QImage bitmap(1, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        bitmap.setPixel(0, y, qRgba(200 - y * 7, 30 + y * 9, 255, 10 + y * 12));
    QImage overBlack(1, 20, QImage::Format_RGB32);
    overBlack.fill(Qt::black);
    QPainter(&overBlack).drawImage(0, 0, bitmap);
    const QImage converted = bitmap.convertToFormat(QImage::Format_RGB32);
    TLabelProgressBar bar;
    bar.SetViewOptions({});
    bar.SetBorder(B::brFlat);
    bar.SetPosition(100);
    bar.SetSegmentBitmap(bitmap);
    // brFlat: the area starts at x 3, y 3 and is 14 rows high.
    for (bool smooth : {false, true}) {
        bar.SetSmooth(smooth);
        bar.RedrawStrips();
        const QImage& expected = smooth ? converted : overBlack;
        for (int y = 0; y < 14; ++y)
            EXPECT_EQ(bar.BarStrip().pixel(3, 3 + y), expected.pixel(0, y)) << smooth << " " << y;
    }
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

}  // namespace
}  // namespace vantrel
