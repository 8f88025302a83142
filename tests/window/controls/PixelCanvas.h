// A canvas over a TPixelImage for the core's tests: the front-end primitives
// done plainly on pixels, with text measured as if every character were 6
// pixels wide and every line 10 high, and drawn text recorded instead of
// rendered.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "window/controls/Canvas.h"

namespace vantrel::test {

class TFixedTextMeasure : public TTextMeasure {
public:
    static constexpr int kCharWidth = 6;
    static constexpr int kLineHeight = 10;

    int TextWidth(const TFont&, std::u16string_view text) const override {
        return kCharWidth * static_cast<int>(text.size());
    }
    int LineHeight(const TFont&) const override { return kLineHeight; }
    int TextHeight(const TFont&, std::u16string_view) const override { return kLineHeight + 2; }
    int WrappedHeight(const TFont& font, std::u16string_view text, int width) const override {
        const int perLine = std::max(1, width / kCharWidth);
        const int chars = std::max(1, static_cast<int>(text.size()));
        return LineHeight(font) * ((chars + perLine - 1) / perLine);
    }
    std::u16string ElideRight(const TFont& font, std::u16string_view text,
                              int width) const override {
        if (TextWidth(font, text) <= width)
            return std::u16string(text);
        const auto keep = static_cast<std::size_t>(std::max(0, width / kCharWidth - 1));
        return std::u16string(text.substr(0, keep)) + u"\u2026";
    }
};

struct TDrawnText {
    TRect Box;
    std::u16string Text;
    TRgb Color;
};

class TPixelCanvas : public TCanvas {
public:
    TPixelCanvas(int width, int height, TRgb background = {255, 0, 255})
        : Image(width, height, OpaquePixel(background)) {}

    TRgb At(int x, int y) const {
        const std::uint32_t p = Image.At(x, y);
        return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                static_cast<std::uint8_t>(p)};
    }

    void FillRect(const TRect& rect, TRgb color) override {
        ForEach(rect, [&](int x, int y) { Image.At(x, y) = OpaquePixel(color); });
    }
    void FillRectPattern(const TRect& rect, const TPixelImage& pattern) override {
        ForEach(rect, [&](int x, int y) {
            Image.At(x, y) = pattern.At(x % pattern.Width, y % pattern.Height) | 0xFF000000u;
        });
    }
    void DrawImage(int x, int y, const TPixelImage& image) override {
        ForEach(TRect::FromSize(x, y, image.Width, image.Height),
                [&](int px, int py) { Image.At(px, py) = image.At(px - x, py - y) | 0xFF000000u; });
    }
    TPixelImage CopyPixels(const TRect& rect) const override { return CopyPart(Image, rect); }
    void DrawText(const TRect& box, std::u16string_view text, const TFont&, TRgb color,
                  TTextLayout) override {
        Texts.push_back({box, std::u16string(text), color});
    }
    TRect DrawTabPane(const TRect& rect) override {
        ++TabPanes;
        return rect.Shrunk(2);
    }

    int TextWidth(const TFont& f, std::u16string_view t) const override {
        return FMeasure.TextWidth(f, t);
    }
    int LineHeight(const TFont& f) const override { return FMeasure.LineHeight(f); }
    int TextHeight(const TFont& f, std::u16string_view t) const override {
        return FMeasure.TextHeight(f, t);
    }
    int WrappedHeight(const TFont& f, std::u16string_view t, int w) const override {
        return FMeasure.WrappedHeight(f, t, w);
    }
    std::u16string ElideRight(const TFont& f, std::u16string_view t, int w) const override {
        return FMeasure.ElideRight(f, t, w);
    }

    TPixelImage Image;
    std::vector<TDrawnText> Texts;
    int TabPanes = 0;

private:
    template <class TPixelStep>
    void ForEach(const TRect& rect, TPixelStep step) {
        for (int y = std::max(0, rect.Top); y < std::min(Image.Height, rect.Bottom); ++y)
            for (int x = std::max(0, rect.Left); x < std::min(Image.Width, rect.Right); ++x)
                step(x, y);
    }

    TFixedTextMeasure FMeasure;
};

// Fixed RGB values for the system colours the controls use, so that the
// core's tests need no front end.
std::optional<TColor> TestSystemColor(std::uint32_t index);

inline void UseTestSystemColors() {
    SetSystemColorLookup(TestSystemColor);
}

inline std::optional<TColor> TestSystemColor(std::uint32_t index) {
    switch (index) {
        case 5:
            return RGBToColor(255, 255, 255);  // window
        case 8:
            return RGBToColor(0, 0, 0);  // window text
        case 15:
            return RGBToColor(240, 240, 240);  // button face
        case 16:
            return RGBToColor(160, 160, 160);  // button shadow
        case 20:
            return RGBToColor(250, 250, 250);  // button highlight
        default:
            return std::nullopt;
    }
}

}  // namespace vantrel::test
