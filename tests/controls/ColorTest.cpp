#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include <stdexcept>

#include "controls/ColorFunctions.h"
#include "controls/ControlColors.h"
#include "controls/GradientFill.h"

#include <QPainter>

namespace vantrel {
namespace {

TEST(ControlColors, RGBValuesAreBlueGreenRed) {
    EXPECT_EQ(ResolveColor(0xFFA9A5), QColor(165, 169, 255));
    EXPECT_EQ(ResolveColor(clMaroon), QColor(128, 0, 0));
    EXPECT_EQ(ResolveColor(clBlue), QColor(0, 0, 255));
}

TEST(ControlColors, SystemColorsFollowTheApplicationPalette) {
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    palette.setColor(QPalette::Base, QColor(40, 50, 60));
    palette.setColor(QPalette::Dark, QColor(70, 80, 90));
    QApplication::setPalette(palette);
    EXPECT_EQ(ResolveColor(clBtnFace), QColor(10, 20, 30));
    EXPECT_EQ(ResolveColor(clWindow), QColor(40, 50, 60));
    EXPECT_EQ(ColorToRGB(clBtnShadow), RGBToColor(70, 80, 90));
    QApplication::setPalette(saved);
}

TEST(ControlColors, UnknownValuesAreRangeErrors) {
    EXPECT_THROW(ColorToRGB(0xFF0000FF), std::range_error);  // no such system colour
    EXPECT_THROW(ColorToRGB(0x12345678), std::range_error);  // neither kind
}

TEST(ColorFunctions, KnownHSLValues) {
    EXPECT_EQ(ColorToHSL(0xFF0000), (THSL{160, 240, 120}));  // blue
    EXPECT_EQ(ColorToHSL(0x0000FF), (THSL{0, 240, 120}));    // red
    EXPECT_EQ(ColorToHSL(0x00FF00), (THSL{80, 240, 120}));   // green
    EXPECT_EQ(ColorToHSL(clWhite), (THSL{0, 0, 240}));
    EXPECT_EQ(ColorToHSL(clBlack), (THSL{0, 0, 0}));
    EXPECT_EQ(ColorToHSL(clGray), (THSL{0, 0, 120}));
    // Orange of the download bar: red 255, green 128, blue 0.
    EXPECT_EQ(ColorToHSL(0x0080FF), (THSL{20, 240, 120}));
}

TEST(ColorFunctions, HueIsScaledBy239) {
    EXPECT_EQ(HSLToColor(0, 240, 120), RGBToColor(255, 0, 0));
    // 160 / 239 * 6 lies just above 4, so pure blue picks up a little red.
    EXPECT_EQ(HSLToColor(160, 240, 120), RGBToColor(4, 0, 255));
    EXPECT_EQ(HSLToColor(80, 240, 120), RGBToColor(0, 255, 2));
    // Greys: 120 / 240 * 255 = 127.5, which rounds to the even 128.
    EXPECT_EQ(HSLToColor(0, 0, 120), RGBToColor(128, 128, 128));
    EXPECT_EQ(HSLToColor(50, 100, 0), RGBToColor(0, 0, 0));
    // A hue of 240 (which ColorToHSL can return) wraps round to red.
    EXPECT_EQ(HSLToColor(240, 240, 120), RGBToColor(255, 6, 0));
}

TEST(ColorFunctions, RoundTripsStayClose) {
    for (int h = 0; h < 240; h += 7) {
        for (int s : {60, 150, 240}) {
            for (int l : {40, 120, 200}) {
                const THSL back = ColorToHSL(HSLToColor(h, s, l));
                EXPECT_NEAR(back.L, l, 1) << h << " " << s << " " << l;
                EXPECT_NEAR(back.S, s, 3) << h << " " << s << " " << l;
                const int hueError = std::min(std::abs(back.H - h), 240 - std::abs(back.H - h));
                EXPECT_LE(hueError, 4) << h << " " << s << " " << l;
            }
        }
    }
    for (TColor c : {clBlack, clWhite, clGray, RGBToColor(200, 200, 200)}) {
        const THSL hsl = ColorToHSL(c);
        EXPECT_EQ(HSLToColor(hsl.H, hsl.S, hsl.L), c);
    }
}

TEST(ColorFunctions, OutOfRangeValuesAreRangeErrors) {
    EXPECT_THROW(HSLToColor(-1, 0, 0), std::range_error);
    EXPECT_THROW(HSLToColor(0, 0, 256), std::range_error);
    // A saturation above 240 drives a channel below zero.
    EXPECT_THROW(HSLToColor(0, 250, 60), std::range_error);
    EXPECT_THROW(AdjustLuminance(clGray, 256), std::range_error);
    EXPECT_THROW(AdjustLuminance(clGray, -256), std::range_error);
    EXPECT_NO_THROW(AdjustLuminance(clGray, 255));
}

TEST(ColorFunctions, AdjustLuminance) {
    // No change keeps even a system colour as it is.
    EXPECT_EQ(AdjustLuminance(clBtnShadow, 0), clBtnShadow);
    // The percent box's default tint.
    EXPECT_EQ(AdjustLuminance(0xFF0000, 50), RGBToColor(109, 106, 255));
    EXPECT_EQ(AdjustLuminance(clWhite, 50), clWhite);
    EXPECT_EQ(AdjustLuminance(clBlack, -10), clBlack);
    const THSL before = ColorToHSL(0x0080FF);
    const THSL after = ColorToHSL(AdjustLuminance(0x0080FF, -40));
    EXPECT_NEAR(after.L, before.L - 40, 1);
}

class GradientFillRectTest : public ::testing::Test {
protected:
    GradientFillRectTest() : image(12, 16, QImage::Format_RGB32) { image.fill(Qt::black); }

    void Fill(const TRect& rect, TColor c1, TColor c2, std::uint8_t mode) {
        QPainter painter(&image);
        TCanvas canvas(painter);
        GradientFillRect(canvas, rect, c1, c2, mode);
    }

    QImage image;
};

TEST_F(GradientFillRectTest, VerticalRunsFromFirstRowToLastRow) {
    Fill({2, 3, 6, 13}, 0x0000FF, 0xFF0000, GRADIENT_FILL_RECT_V);
    EXPECT_EQ(image.pixelColor(2, 3), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(5, 3), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(2, 12), QColor(0, 0, 255));
    // Right column and bottom row stay out.
    EXPECT_EQ(image.pixelColor(6, 8), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(3, 13), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(1, 8), QColor(Qt::black));
    int lastRed = 256;
    for (int y = 3; y < 13; ++y) {
        const QColor c = image.pixelColor(3, y);
        EXPECT_LT(c.red(), lastRed);
        // The two channels share the 16-bit value; cutting it to 8 bits can
        // lose one step between them.
        EXPECT_GE(c.red() + c.blue(), 254) << y;
        EXPECT_LE(c.red() + c.blue(), 255) << y;
        EXPECT_EQ(image.pixelColor(2, y), image.pixelColor(5, y));
        lastRed = c.red();
    }
}

TEST_F(GradientFillRectTest, HorizontalOnePixelWidePaintsOneColumn) {
    Fill({4, 0, 5, 4}, clWhite, clBlack, GRADIENT_FILL_RECT_H);
    EXPECT_EQ(image.pixelColor(4, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(4, 3), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(5, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(4, 4), QColor(Qt::black));
    Fill({0, 6, 10, 7}, clWhite, clBlack, GRADIENT_FILL_RECT_H);
    EXPECT_EQ(image.pixelColor(0, 6), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(9, 6), QColor(Qt::black));
}

TEST(GradientFillRect, TallGradientsInterpolateWithoutOverflow) {
    QImage tall(1, 40'000, QImage::Format_RGB32);
    QPainter painter(&tall);
    TCanvas canvas(painter);
    GradientFillRect(canvas, {0, 0, 1, 40'000}, clWhite, clBlack, GRADIENT_FILL_RECT_V);
    painter.end();
    EXPECT_EQ(tall.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(tall.pixelColor(0, 39'999), QColor(Qt::black));
    EXPECT_NEAR(tall.pixelColor(0, 20'000).red(), 127, 1);
}

TEST_F(GradientFillRectTest, BadInputIsARangeErrorAndDrawsNothing) {
    const QImage before = image;
    EXPECT_THROW(Fill({-1, 0, 5, 5}, clWhite, clWhite, GRADIENT_FILL_RECT_V), std::range_error);
    EXPECT_THROW(Fill({1, 1, 5, -3}, clWhite, clWhite, GRADIENT_FILL_RECT_V), std::range_error);
    EXPECT_THROW(Fill({1, 1, 5, 5}, 0x7F000000, clWhite, GRADIENT_FILL_RECT_V), std::range_error);
    EXPECT_THROW(Fill({1, 1, 5, 5}, clWhite, clWhite, 2), std::range_error);
    EXPECT_EQ(image, before);
    // An empty rectangle is no error; it paints nothing.
    EXPECT_NO_THROW(Fill({5, 5, 5, 9}, clWhite, clWhite, GRADIENT_FILL_RECT_V));
    EXPECT_EQ(image, before);
}

}  // namespace
}  // namespace vantrel
