#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "PixelCanvas.h"
#include "window/controls/ColorFunctions.h"
#include "window/controls/Colors.h"
#include "window/controls/GradientFill.h"

namespace vantrel {
namespace {

using test::TPixelCanvas;

class Colors : public ::testing::Test {
protected:
    Colors() { test::UseTestSystemColors(); }
};

TEST_F(Colors, ValuesResolveToPixels) {
    struct TRow {
        TColor Value;
        TRgb Pixel;
    };
    const TRow rows[] = {
        {0xFFA9A5, {165, 169, 255}},  // RGB values are blue-green-red
        {clMaroon, {128, 0, 0}},
        {clBtnShadow, {160, 160, 160}},  // system colours through the lookup
        {clWindow, {255, 255, 255}},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(ResolveRgb(row.Value), row.Pixel) << std::hex << row.Value;
}

TEST_F(Colors, UnknownValuesAreRangeErrors) {
    EXPECT_THROW(ColorToRGB(0xFF0000FF), std::range_error);  // no such system colour
    EXPECT_THROW(ColorToRGB(0x12345678), std::range_error);  // neither kind
    SetSystemColorLookup(nullptr);
    EXPECT_THROW(ColorToRGB(clBtnFace), std::range_error);  // no front end to ask
    EXPECT_EQ(ColorToRGB(clBlue), clBlue);
}

TEST_F(Colors, ALookupCannotNameAnotherSystemColour) {
    SetSystemColorLookup([](std::uint32_t) -> std::optional<TColor> { return clBtnFace; });
    EXPECT_EQ(ColorToRGB(clWindow), clBtnFace & 0x00FFFFFFu);
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

TEST_F(Colors, AdjustLuminance) {
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
    GradientFillRectTest() : canvas(12, 16, {0, 0, 0}) { test::UseTestSystemColors(); }

    void Fill(const TRect& rect, TColor c1, TColor c2, std::uint8_t mode) {
        GradientFillRect(canvas, rect, c1, c2, mode);
    }

    TPixelCanvas canvas;
};

TEST_F(GradientFillRectTest, VerticalRunsFromFirstRowToLastRow) {
    Fill({2, 3, 6, 13}, 0x0000FF, 0xFF0000, GRADIENT_FILL_RECT_V);
    EXPECT_EQ(canvas.At(2, 3), (TRgb{255, 0, 0}));
    EXPECT_EQ(canvas.At(5, 3), (TRgb{255, 0, 0}));
    EXPECT_EQ(canvas.At(2, 12), (TRgb{0, 0, 255}));
    // Right column and bottom row stay out.
    EXPECT_EQ(canvas.At(6, 8), TRgb{});
    EXPECT_EQ(canvas.At(3, 13), TRgb{});
    EXPECT_EQ(canvas.At(1, 8), TRgb{});
    int lastRed = 256;
    for (int y = 3; y < 13; ++y) {
        const TRgb c = canvas.At(3, y);
        EXPECT_LT(c.Red, lastRed);
        // The two channels share the 16-bit value; cutting it to 8 bits can
        // lose one step between them.
        EXPECT_GE(c.Red + c.Blue, 254) << y;
        EXPECT_LE(c.Red + c.Blue, 255) << y;
        EXPECT_EQ(canvas.At(2, y), canvas.At(5, y));
        lastRed = c.Red;
    }
}

TEST_F(GradientFillRectTest, HorizontalOnePixelWidePaintsOneColumn) {
    const TRgb white{255, 255, 255};
    Fill({4, 0, 5, 4}, clWhite, clBlack, GRADIENT_FILL_RECT_H);
    EXPECT_EQ(canvas.At(4, 0), white);
    EXPECT_EQ(canvas.At(4, 3), white);
    EXPECT_EQ(canvas.At(5, 0), TRgb{});
    EXPECT_EQ(canvas.At(4, 4), TRgb{});
    Fill({0, 6, 10, 7}, clWhite, clBlack, GRADIENT_FILL_RECT_H);
    EXPECT_EQ(canvas.At(0, 6), white);
    EXPECT_EQ(canvas.At(9, 6), TRgb{});
}

TEST(GradientFillRect, TallGradientsInterpolateWithoutOverflow) {
    EXPECT_EQ(GradientStep({255, 255, 255}, {}, 0, 40'000), (TRgb{255, 255, 255}));
    EXPECT_EQ(GradientStep({255, 255, 255}, {}, 39'999, 40'000), TRgb{});
    EXPECT_NEAR(GradientStep({255, 255, 255}, {}, 20'000, 40'000).Red, 127, 1);
}

TEST_F(GradientFillRectTest, BadInputIsARangeErrorAndDrawsNothing) {
    const TPixelImage before = canvas.Image;
    EXPECT_THROW(Fill({-1, 0, 5, 5}, clWhite, clWhite, GRADIENT_FILL_RECT_V), std::range_error);
    EXPECT_THROW(Fill({1, 1, 5, -3}, clWhite, clWhite, GRADIENT_FILL_RECT_V), std::range_error);
    EXPECT_THROW(Fill({1, 1, 5, 5}, 0x7F000000, clWhite, GRADIENT_FILL_RECT_V), std::range_error);
    EXPECT_THROW(Fill({1, 1, 5, 5}, clWhite, clWhite, 2), std::range_error);
    EXPECT_EQ(canvas.Image, before);
    // An empty rectangle is no error; it paints nothing.
    EXPECT_NO_THROW(Fill({5, 5, 5, 9}, clWhite, clWhite, GRADIENT_FILL_RECT_V));
    EXPECT_EQ(canvas.Image, before);
}

}  // namespace
}  // namespace vantrel
