#include "controls/LabelProgressBar.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "controls/GradientFill.h"

namespace vantrel {
namespace {

constexpr int kPercentAlpha = 178;

}  // namespace

// ---- Geometry --------------------------------------------------------------

int TLabelProgressBar::ShownStripsHeight() const {
    int shown = 0;
    if (FViewOptions.testFlag(viewText))
        shown += FTextStripHeight;
    if (FViewOptions.testFlag(viewInfo))
        shown += FInfoStripHeight;
    return shown;
}

void TLabelProgressBar::FitBarHeight() {
    const int rest = height() - ShownStripsHeight();
    if (rest > 13)
        FBarHeight = rest;
}

void TLabelProgressBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (FLoading)
        return;
    FitBarHeight();
    MarkSegmentImage();
    RedrawStrips();
}

int TLabelProgressBar::BorderInset() const {
    return FBorder == brFlatBold || FBorder == brFlatBoldRounded ? 2 : 1;
}

TRect TLabelProgressBar::ProgressArea() const {
    TRect area = TRect{0, 0, std::max(1, width()), FBarHeight}.Shrunk(1 + BorderInset() + 1);
    if (FSegmentShadow)
        area.Right -= 1;
    return area;
}

// ---- Drawing ---------------------------------------------------------------

void TLabelProgressBar::RedrawStrips() {
    if (FViewOptions.testFlag(viewText))
        DrawTextStrip();
    if (FSegmentImageMarked)
        PrepareSegmentImage();
    DrawBar();
    if (FViewOptions.testFlag(viewInfo))
        DrawInfoStrip();
}

void TLabelProgressBar::paintEvent(QPaintEvent*) {
    RedrawStrips();
    QPainter painter(this);
    int y = 0;
    if (FViewOptions.testFlag(viewText)) {
        painter.drawImage(0, y, FTextStrip);
        y += FTextStrip.height();
    }
    painter.drawImage(0, y, FBarStrip);
    y += FBarStrip.height();
    if (FViewOptions.testFlag(viewInfo))
        painter.drawImage(0, y, FInfoStrip);
}

void TLabelProgressBar::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
    emit OnDblClick(this);
}

void TLabelProgressBar::PaintGradientColumn(QImage& column) const {
    int y = 0;
    for (const TGradientSection& section : FSections) {
        const int top = y;
        const int rows = section.SectionHeight;
        y += rows;
        DrawElement([&] {
            const QColor from = ResolveColor(section.Color1);
            const QColor to = ResolveColor(section.Color2);
            for (int i = 0; i < rows; ++i) {
                const int row = top + i;
                if (row >= 0 && row < column.height())
                    column.setPixel(0, row, GradientStep(from, to, i, rows).rgb());
            }
        });
    }
}

void TLabelProgressBar::PrepareSegmentImage() {
    const TRect area = TRect{0, 0, std::max(1, width()), FBarHeight}.Shrunk(2 + BorderInset());
    const int columnHeight = area.Top > 0 && area.Top < area.Bottom ? area.Height() : 1;
    QImage column(1, columnHeight, QImage::Format_RGB32);
    column.fill(Qt::black);
    PaintGradientColumn(column);
    if (FSmooth) {
        FSegmentImage =
            FSegmentBitmap.isNull() ? column : FSegmentBitmap.convertToFormat(QImage::Format_RGB32);
    } else {
        const QImage& pattern = FSegmentBitmap.isNull() ? column : FSegmentBitmap;
        FSegmentImage = QImage(std::max(1, FSegmentWidth), columnHeight, QImage::Format_RGB32);
        FSegmentImage.fill(Qt::black);
        if (FSegmentWidth > 0) {
            QPainter painter(&FSegmentImage);
            TCanvas canvas(painter);
            canvas.FillRectPattern({0, 0, FSegmentWidth, columnHeight}, pattern);
        } else {
            FSegmentImage = QImage();
        }
    }
    FSegmentImageMarked = false;
}

void TLabelProgressBar::DrawBorder(TCanvas& canvas, const TRect& r) const {
    const int l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom;
    auto rectangle = [&canvas](const TRect& e) {
        const QPoint pts[] = {{e.Left, e.Top},
                              {e.Right - 1, e.Top},
                              {e.Right - 1, e.Bottom - 1},
                              {e.Left, e.Bottom - 1}};
        canvas.PolygonOutline(pts);
    };
    auto roundedOne = [&canvas](const TRect& e) {
        const int left = e.Left, top = e.Top, right = e.Right, bottom = e.Bottom;
        const QPoint pts[] = {{left, bottom - 2},      {left, top + 1},
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
                ResolveColor(AdjustLuminance(FFlatColor, FFlatLightColorAdjustment)));
            draw();
        });
    };
    auto inDark = [&](auto draw) {
        DrawElement([&] {
            canvas.SetPenColor(
                ResolveColor(AdjustLuminance(FFlatColor, -FFlatDarkColorAdjustment)));
            draw();
        });
    };
    switch (FBorder) {
        case brLowered:
        case brRaised: {
            const QColor shadow = ResolveColor(clBtnShadow);
            const QColor highlight = ResolveColor(clBtnHighlight);
            const bool lowered = FBorder == brLowered;
            canvas.SetPenColor(lowered ? shadow : highlight);
            canvas.MoveTo(l, b - 1);
            canvas.LineTo(l, t);
            canvas.LineTo(rr - 1, t);
            canvas.SetPenColor(lowered ? highlight : shadow);
            canvas.LineTo(rr - 1, b - 1);
            canvas.LineTo(l, b - 1);
            break;
        }
        case brFlat:
            inLight([&] { rectangle(r); });
            break;
        case brFlatRounded:
            inLight([&] { roundedOne(r); });
            break;
        case brFlatBold:
            inLight([&] { rectangle(r); });
            inDark([&] { rectangle(r.Shrunk(1)); });
            break;
        case brFlatBoldRounded:
            inLight([&] {
                const QPoint pts[] = {{l, b - 3},      {l, t + 2},      {l + 2, t},
                                      {rr - 3, t},     {rr - 1, t + 2}, {rr - 1, b - 3},
                                      {rr - 3, b - 1}, {l + 2, b - 1},  {l, b - 3}};
                canvas.Polyline(pts);
            });
            inDark([&] { roundedOne(r.Shrunk(1)); });
            break;
    }
}

int TLabelProgressBar::FillLength(const TRect& area) const {
    const std::int64_t span = static_cast<std::int64_t>(FMax) - FMin;
    const int room = area.Width();
    // The scale is single precision, as the bar has always drawn it.
    const float scale = static_cast<float>(static_cast<double>(room) / static_cast<double>(span));
    const double length =
        std::nearbyint(static_cast<double>(static_cast<std::int64_t>(FPosition) - FMin) * scale);
    return static_cast<int>(std::clamp(length, 0.0, static_cast<double>(room)));
}

void TLabelProgressBar::DrawSmoothFill(TCanvas& canvas, const TRect& area, int f) {
    if (f > 0 && !FSegmentImage.isNull()) {
        QImage scratch(f, FSegmentImage.height(), QImage::Format_RGB32);
        if (scratch.isNull())
            throw std::range_error(QStringLiteral("Out of memory for the fill image "
                                                  "(MX=%1, MN=%2, PS=%3, RR=%4, RL=%5)")
                                       .arg(FMax)
                                       .arg(FMin)
                                       .arg(FPosition)
                                       .arg(area.Right)
                                       .arg(area.Left)
                                       .toStdString());
        QPainter painter(&scratch);
        TCanvas scratchCanvas(painter);
        scratchCanvas.FillRectPattern({0, 0, f, scratch.height()}, FSegmentImage);
        painter.end();
        canvas.DrawImage(area.Left, area.Top, scratch);
    }
    if (FSegmentShadow && area.Width() >= f) {
        canvas.MoveTo(area.Left + f, area.Top + 1);
        canvas.LineTo(area.Left + f, area.Bottom - 1);
    }
}

void TLabelProgressBar::DrawSegments(TCanvas& canvas, const TRect& area, int f) {
    // A segment of no width and no gap would never get past the fill's end.
    if (FSegmentImage.isNull() || FSegmentImage.width() + FSegmentSpace == 0)
        return;
    int x = 0;
    while (x < f - 1) {
        canvas.DrawImage(area.Left + x, area.Top, FSegmentImage);
        x += FSegmentImage.width();
        if (FSegmentShadow && FSegmentSpace > 1 && 0 < f - 1 && f - 1 < area.Width()) {
            canvas.MoveTo(area.Left + x, area.Top + 1);
            canvas.LineTo(area.Left + x, area.Bottom - 1);
        }
        x += FSegmentSpace;
    }
}

void TLabelProgressBar::DrawAnimation(TCanvas& canvas, const TRect& area) {
    const int c = FSegmentWidth + FSegmentSpace;
    if (c == 0 || FSegmentImage.isNull())
        return;
    const int k = std::min((area.Width() - c * FAnimationOffset) / c, 3);
    if (k == 0)
        FAnimationOffset = -3;
    canvas.SetPenColor(ResolveColor(clBtnShadow));
    int g = c * FAnimationOffset;
    int n = 0;
    while (g < c * (k + FAnimationOffset) - 1) {
        if (g > area.Left - 4)
            canvas.DrawImage(area.Left + g, area.Top, FSegmentImage);
        g += 1;
        n += 1;
        if (n >= FSegmentWidth) {
            if (FSegmentShadow && FSegmentSpace > 1) {
                canvas.MoveTo(area.Left + g, area.Top + 1);
                canvas.LineTo(area.Left + g, area.Bottom - 1);
            }
            g += FSegmentSpace;
            n = 0;
        }
    }
}

void TLabelProgressBar::DrawBar() {
    const int w = std::max(1, width());
    FBarStrip = QImage(w, std::max(1, FBarHeight), QImage::Format_RGB32);
    QPainter painter(&FBarStrip);
    TCanvas canvas(painter);
    const TRect strip{0, 0, w, FBarStrip.height()};
    DrawElement([&] { canvas.FillRect(strip, ResolveColor(FColor)); });
    const TRect outer = strip.Shrunk(1);
    DrawElement([&] { DrawBorder(canvas, outer); });
    const TRect inner = outer.Shrunk(BorderInset());
    DrawElement([&] {
        if (FFillBitmap.isNull())
            canvas.FillRect(inner, ResolveColor(FFillColor));
        else
            canvas.FillRectPattern(inner, FFillBitmap);
    });
    TRect area = inner.Shrunk(1);
    if (FSegmentShadow)
        area.Right -= 1;
    if (FAnimationMode) {
        DrawElement([&] { DrawAnimation(canvas, area); });
        return;
    }
    const std::int64_t span = static_cast<std::int64_t>(FMax) - FMin;
    if (span <= 0 || area.Left < 0 || area.Right < area.Left)
        return;
    const int f = FillLength(area);
    DrawElement([&] {
        canvas.SetPenColor(ResolveColor(clBtnShadow));
        if (FSmooth)
            DrawSmoothFill(canvas, area, f);
        else
            DrawSegments(canvas, area, f);
    });
    DrawPercentBox(canvas, area, f);
}

// ---- The percent box --------------------------------------------------------

TLabelProgressBar::TBox TLabelProgressBar::PercentBoxPlace(const TRect& area, int f) const {
    const QFontMetrics metrics(FPercentFont);
    const QString text = PercentBoxText();
    TBox box;
    if (FPercentType == showPercent) {
        const QString widest = QStringLiteral("999%");
        box.W = std::max(metrics.horizontalAdvance(widest), metrics.horizontalAdvance(text)) + 4;
    } else {
        box.W = metrics.horizontalAdvance(text) + 4;
    }
    box.H = metrics.height() + 2;
    box.Y = area.Top + (area.Height() - box.H) / 2;
    switch (FPercentView) {
        case percentCenter:
            box.X = area.Left + (area.Width() - box.W) / 2;
            break;
        case percentFloat:
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

void TLabelProgressBar::DrawPercentBox(TCanvas& canvas, const TRect& area, int f) {
    if (!PercentBoxShown())
        return;
    const TBox box = PercentBoxPlace(area, f);
    if (box.W <= 2 || box.H <= 2)
        return;
    // The patch under the text: the bar as it is, blended over the tint.
    QImage patch = FBarStrip.copy(box.X + 1, box.Y + 1, box.W - 2, box.H - 2);
    DrawElement([&] {
        const QColor tint = ResolveColor(FPercentColor);
        for (int y = 0; y < patch.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(patch.scanLine(y));
            for (int x = 0; x < patch.width(); ++x) {
                auto mix = [](int bar, int tinted) {
                    return static_cast<int>(std::nearbyint(
                        (bar * kPercentAlpha + tinted * (255 - kPercentAlpha)) / 255.0));
                };
                const QRgb p = line[x];
                line[x] = qRgb(mix(qRed(p), tint.red()), mix(qGreen(p), tint.green()),
                               mix(qBlue(p), tint.blue()));
            }
        }
    });
    DrawElement([&] {
        const QColor dark = ResolveColor(AdjustLuminance(FFlatColor, -FFlatDarkColorAdjustment));
        canvas.SetPenColor(dark);
        const int l = box.X, t = box.Y, r = box.X + box.W, b = box.Y + box.H;
        const QPoint pts[] = {{l, b - 2},     {l, t + 1},     {l + 1, t},     {r - 2, t},
                              {r - 1, t + 1}, {r - 1, b - 2}, {r - 2, b - 1}, {l, b - 1}};
        canvas.Polyline(pts);
    });
    canvas.DrawImage(box.X + 1, box.Y + 1, patch);
    DrawElement([&] {
        QPainter& painter = canvas.Painter();
        painter.setPen(ResolveColor(clWindowText));
        painter.setFont(FPercentFont);
        painter.drawText(QRect(box.X + 1, box.Y + 1, box.W - 2, box.H - 2),
                         Qt::AlignCenter | Qt::TextSingleLine, PercentBoxText());
    });
}

}  // namespace vantrel
