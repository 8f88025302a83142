#include <algorithm>
#include <cmath>

#include "window/controls/ColorFunctions.h"
#include "window/controls/GradientFill.h"
#include "window/controls/LabelProgressBar.h"

namespace vantrel {
namespace {

// How much of the bar shows through the percent box's tint, of 255.
constexpr int kPercentAlpha = 178;

bool IsBold(TBarBorder border) {
    return border == TBarBorder::FlatBold || border == TBarBorder::FlatBoldRounded;
}

// The bar's pixel blended over the tint, channel by channel.
std::uint32_t Tinted(std::uint32_t bar, TRgb tint) {
    auto mix = [](std::uint32_t channel, int tinted) {
        const double value =
            (int(channel) * kPercentAlpha + tinted * (255 - kPercentAlpha)) / 255.0;
        return static_cast<std::uint32_t>(std::nearbyint(value));
    };
    return 0xFF000000u | (mix((bar >> 16) & 0xFF, tint.Red) << 16) |
           (mix((bar >> 8) & 0xFF, tint.Green) << 8) | mix(bar & 0xFF, tint.Blue);
}

}  // namespace

int TLabelProgressBarCore::BorderInset() const {
    return IsBold(FSettings.Border) ? 2 : 1;
}

// ---- The segment image ------------------------------------------------------

void TLabelProgressBarCore::PaintGradientColumn(TPixelImage& column) const {
    int y = 0;
    for (const TGradientSection& section : FSettings.Sections) {
        const int top = y;
        const int rows = section.SectionHeight;
        y += rows;
        DrawElement([&] {
            const TRgb from = ResolveRgb(section.Color1);
            const TRgb to = ResolveRgb(section.Color2);
            for (int i = 0; i < rows; ++i) {
                const int row = top + i;
                if (row >= 0 && row < column.Height)
                    column.At(0, row) = OpaquePixel(GradientStep(from, to, i, rows));
            }
        });
    }
}

void TLabelProgressBarCore::PrepareSegmentImage(int width) {
    const TLabelProgressBarSettings& s = FSettings;
    const TRect area = TRect{0, 0, std::max(1, width), FBarHeight}.Shrunk(2 + BorderInset());
    const int columnHeight = area.Top > 0 && area.Top < area.Bottom ? area.Height() : 1;
    TPixelImage column(1, columnHeight);
    PaintGradientColumn(column);
    if (s.Smooth) {
        // The smooth fill repeats the bitmap's colours, alpha dropped.
        FSegmentImage = s.SegmentBitmap.IsNull() ? column : AlphaDropped(s.SegmentBitmap);
    } else if (s.SegmentWidth > 0) {
        // A segment is the bitmap drawn over a black one, alpha blended.
        const TPixelImage& pattern = s.SegmentBitmap.IsNull() ? column : s.SegmentBitmap;
        FSegmentImage = Tiled(OverBlack(pattern), s.SegmentWidth, columnHeight);
    } else {
        FSegmentImage = TPixelImage();
    }
    FSegmentImageMarked = false;
}

// ---- The strips -------------------------------------------------------------

void TLabelProgressBarCore::DrawLineStrip(TCanvas& canvas, int width, int height,
                                          const std::u16string& text, const TFont& font,
                                          THorzAlign alignment) const {
    const int w = std::max(1, width);
    const int h = std::max(1, height);
    DrawElement([&] { canvas.FillRect({0, 0, w, h}, ResolveRgb(FSettings.Color)); });
    DrawElement([&] {
        const TRect box{2, 2, w - 2, h - 2};
        const std::u16string shown = canvas.ElideRight(font, text, std::max(0, box.Width()));
        canvas.DrawText(box, shown, font, ResolveRgb(clWindowText),
                        {alignment, TVertAlign::Center, false});
    });
}

void TLabelProgressBarCore::DrawTextStrip(TCanvas& canvas, int width) const {
    DrawLineStrip(canvas, width, FTextStripHeight, FSettings.Text, FSettings.TextFont,
                  FSettings.TextAlignment);
}

void TLabelProgressBarCore::DrawInfoStrip(TCanvas& canvas, int width) const {
    DrawLineStrip(canvas, width, FInfoStripHeight, InfoText(), FSettings.InfoFont,
                  FSettings.InfoAlignment);
}

void TLabelProgressBarCore::DrawBorder(TCanvas& canvas, const TRect& r) const {
    const TLabelProgressBarSettings& s = FSettings;
    const int l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom;
    auto rectangle = [&canvas](const TRect& e) {
        const TPoint pts[] = {{e.Left, e.Top},
                              {e.Right - 1, e.Top},
                              {e.Right - 1, e.Bottom - 1},
                              {e.Left, e.Bottom - 1}};
        canvas.PolygonOutline(pts);
    };
    auto roundedOne = [&canvas](const TRect& e) {
        const int left = e.Left, top = e.Top, right = e.Right, bottom = e.Bottom;
        const TPoint pts[] = {{left, bottom - 2},      {left, top + 1},
                              {left + 1, top},         {right - 2, top},
                              {right - 1, top + 1},    {right - 1, bottom - 2},
                              {right - 2, bottom - 1}, {left, bottom - 1}};
        canvas.Polyline(pts);
    };
    // Each outline is its own element: a light adjustment out of range
    // leaves the dark outline standing, and the other way round.
    auto inLight = [&](auto draw) {
        DrawElement([&] {
            canvas.SetPenColor(
                ResolveRgb(AdjustLuminance(s.FlatColor, s.FlatLightColorAdjustment)));
            draw();
        });
    };
    auto inDark = [&](auto draw) {
        DrawElement([&] {
            canvas.SetPenColor(
                ResolveRgb(AdjustLuminance(s.FlatColor, -s.FlatDarkColorAdjustment)));
            draw();
        });
    };
    switch (s.Border) {
        case TBarBorder::Lowered:
        case TBarBorder::Raised: {
            const TRgb shadow = ResolveRgb(clBtnShadow);
            const TRgb highlight = ResolveRgb(clBtnHighlight);
            const bool lowered = s.Border == TBarBorder::Lowered;
            canvas.SetPenColor(lowered ? shadow : highlight);
            canvas.MoveTo(l, b - 1);
            canvas.LineTo(l, t);
            canvas.LineTo(rr - 1, t);
            canvas.SetPenColor(lowered ? highlight : shadow);
            canvas.LineTo(rr - 1, b - 1);
            canvas.LineTo(l, b - 1);
            break;
        }
        case TBarBorder::Flat:
            inLight([&] { rectangle(r); });
            break;
        case TBarBorder::FlatRounded:
            inLight([&] { roundedOne(r); });
            break;
        case TBarBorder::FlatBold:
            inLight([&] { rectangle(r); });
            inDark([&] { rectangle(r.Shrunk(1)); });
            break;
        case TBarBorder::FlatBoldRounded:
            inLight([&] {
                const TPoint pts[] = {{l, b - 3},      {l, t + 2},      {l + 2, t},
                                      {rr - 3, t},     {rr - 1, t + 2}, {rr - 1, b - 3},
                                      {rr - 3, b - 1}, {l + 2, b - 1},  {l, b - 3}};
                canvas.Polyline(pts);
            });
            inDark([&] { roundedOne(r.Shrunk(1)); });
            break;
    }
}

int TLabelProgressBarCore::FillLength(const TRect& area) const {
    const TLabelProgressBarSettings& s = FSettings;
    const std::int64_t span = static_cast<std::int64_t>(s.Max) - s.Min;
    const int room = area.Width();
    // The scale is single precision, as the bar has always drawn it.
    const float scale = static_cast<float>(static_cast<double>(room) / static_cast<double>(span));
    const double length =
        std::nearbyint(static_cast<double>(static_cast<std::int64_t>(s.Position) - s.Min) * scale);
    return static_cast<int>(std::clamp(length, 0.0, static_cast<double>(room)));
}

void TLabelProgressBarCore::DrawSmoothFill(TCanvas& canvas, const TRect& area, int f) const {
    if (f > 0 && !FSegmentImage.IsNull())
        canvas.DrawImage(area.Left, area.Top, Tiled(FSegmentImage, f, FSegmentImage.Height));
    if (FSettings.SegmentShadow && area.Width() >= f) {
        canvas.MoveTo(area.Left + f, area.Top + 1);
        canvas.LineTo(area.Left + f, area.Bottom - 1);
    }
}

void TLabelProgressBarCore::DrawSegments(TCanvas& canvas, const TRect& area, int f) const {
    const TLabelProgressBarSettings& s = FSettings;
    // A segment of no width and no gap would never get past the fill's end.
    if (FSegmentImage.IsNull() || FSegmentImage.Width + s.SegmentSpace == 0)
        return;
    int x = 0;
    while (x < f - 1) {
        canvas.DrawImage(area.Left + x, area.Top, FSegmentImage);
        x += FSegmentImage.Width;
        if (s.SegmentShadow && s.SegmentSpace > 1 && 0 < f - 1 && f - 1 < area.Width()) {
            canvas.MoveTo(area.Left + x, area.Top + 1);
            canvas.LineTo(area.Left + x, area.Bottom - 1);
        }
        x += s.SegmentSpace;
    }
}

void TLabelProgressBarCore::DrawAnimation(TCanvas& canvas, const TRect& area) {
    const TLabelProgressBarSettings& s = FSettings;
    const int c = s.SegmentWidth + s.SegmentSpace;
    if (c == 0 || FSegmentImage.IsNull())
        return;
    const int k = std::min((area.Width() - c * FAnimationOffset) / c, 3);
    if (k == 0)
        FAnimationOffset = -3;
    canvas.SetPenColor(ResolveRgb(clBtnShadow));
    int g = c * FAnimationOffset;
    int n = 0;
    while (g < c * (k + FAnimationOffset) - 1) {
        if (g > area.Left - 4)
            canvas.DrawImage(area.Left + g, area.Top, FSegmentImage);
        g += 1;
        n += 1;
        if (n >= s.SegmentWidth) {
            if (s.SegmentShadow && s.SegmentSpace > 1) {
                canvas.MoveTo(area.Left + g, area.Top + 1);
                canvas.LineTo(area.Left + g, area.Bottom - 1);
            }
            g += s.SegmentSpace;
            n = 0;
        }
    }
}

void TLabelProgressBarCore::DrawBar(TCanvas& canvas, int width) {
    const TLabelProgressBarSettings& s = FSettings;
    if (FSegmentImageMarked)
        PrepareSegmentImage(width);
    const TRect strip{0, 0, std::max(1, width), std::max(1, FBarHeight)};
    DrawElement([&] { canvas.FillRect(strip, ResolveRgb(s.Color)); });
    const TRect outer = strip.Shrunk(1);
    DrawElement([&] { DrawBorder(canvas, outer); });
    const TRect inner = outer.Shrunk(BorderInset());
    DrawElement([&] {
        if (s.FillBitmap.IsNull())
            canvas.FillRect(inner, ResolveRgb(s.FillColor));
        else
            canvas.FillRectPattern(inner, s.FillBitmap);
    });
    TRect area = inner.Shrunk(1);
    if (s.SegmentShadow)
        area.Right -= 1;
    if (s.AnimationMode) {
        DrawElement([&] { DrawAnimation(canvas, area); });
        return;
    }
    const std::int64_t span = static_cast<std::int64_t>(s.Max) - s.Min;
    if (span <= 0 || area.Left < 0 || area.Right < area.Left)
        return;
    const int f = FillLength(area);
    DrawElement([&] {
        canvas.SetPenColor(ResolveRgb(clBtnShadow));
        if (s.Smooth)
            DrawSmoothFill(canvas, area, f);
        else
            DrawSegments(canvas, area, f);
    });
    DrawPercentBox(canvas, area, f);
}

// ---- The percent box --------------------------------------------------------

TLabelProgressBarCore::TBox TLabelProgressBarCore::PercentBoxPlace(const TCanvas& canvas,
                                                                   const TRect& area, int f) const {
    const TLabelProgressBarSettings& s = FSettings;
    const std::u16string text = PercentBoxText();
    TBox box;
    const int textWidth = canvas.TextWidth(s.PercentFont, text);
    // The box of a percentage is as wide as the widest one, so it does not
    // jitter as the number grows.
    box.W = (s.PercentType == TPercentType::Percent
                 ? std::max(canvas.TextWidth(s.PercentFont, u"999%"), textWidth)
                 : textWidth) +
            4;
    box.H = canvas.LineHeight(s.PercentFont) + 2;
    box.Y = area.Top + (area.Height() - box.H) / 2;
    switch (s.PercentView) {
        case TPercentMode::Center:
            box.X = area.Left + (area.Width() - box.W) / 2;
            break;
        case TPercentMode::Float:
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

void TLabelProgressBarCore::DrawPercentBox(TCanvas& canvas, const TRect& area, int f) const {
    if (!PercentBoxShown())
        return;
    const TBox box = PercentBoxPlace(canvas, area, f);
    if (box.W <= 2 || box.H <= 2)
        return;
    const int l = box.X, t = box.Y, r = box.X + box.W, b = box.Y + box.H;
    const TRect inside{l + 1, t + 1, r - 1, b - 1};
    // The patch under the text: the bar as it is, blended over the tint.
    TPixelImage patch = canvas.CopyPixels(inside);
    DrawElement([&] {
        const TRgb tint = ResolveRgb(FSettings.PercentColor);
        for (std::uint32_t& p : patch.Pixels)
            p = Tinted(p, tint);
    });
    patch.HasAlpha = false;
    DrawElement([&] {
        canvas.SetPenColor(
            ResolveRgb(AdjustLuminance(FSettings.FlatColor, -FSettings.FlatDarkColorAdjustment)));
        const TPoint pts[] = {{l, b - 2},     {l, t + 1},     {l + 1, t},     {r - 2, t},
                              {r - 1, t + 1}, {r - 1, b - 2}, {r - 2, b - 1}, {l, b - 1}};
        canvas.Polyline(pts);
    });
    canvas.DrawImage(inside.Left, inside.Top, patch);
    DrawElement([&] {
        canvas.DrawText(inside, PercentBoxText(), FSettings.PercentFont, ResolveRgb(clWindowText),
                        {THorzAlign::Center, TVertAlign::Center, false});
    });
}

}  // namespace vantrel
