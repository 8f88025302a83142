#include "controls/LabelProgressBar.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vantrel {
namespace {

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
}

Qt::Alignment HorizontalAlignment(TLabelProgressBar::TAlignment alignment) {
    switch (alignment) {
        case TLabelProgressBar::taRightJustify:
            return Qt::AlignRight;
        case TLabelProgressBar::taCenter:
            return Qt::AlignHCenter;
        default:
            return Qt::AlignLeft;
    }
}

QString TwoDigits(std::int64_t value) {
    const QString digits = QString::number(value);
    return value < 10 ? QStringLiteral("0") + digits : digits;
}

}  // namespace

QString FormatPercentText(const QString& pattern, std::initializer_list<std::int64_t> numbers) {
    QString out;
    auto next = numbers.begin();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (pattern[i + 1] == u'd' && next != numbers.end()) {
                out += QString::number(*next++);
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

QString FillTimeTemplate(QString pattern, std::int64_t hours, std::int64_t minutes,
                         std::int64_t seconds) {
    auto fill = [&pattern](const QString& tag, std::int64_t value) {
        const qsizetype at = pattern.indexOf(tag);
        if (at >= 0)
            pattern.replace(at, tag.size(), TwoDigits(value));
    };
    fill(QStringLiteral("[Hours]"), hours);
    fill(QStringLiteral("[Minutes]"), minutes);
    fill(QStringLiteral("[Seconds]"), seconds);
    return pattern;
}
// ---- The text strips -------------------------------------------------------

void TLabelProgressBar::DrawLineStrip(QImage& strip, int height, const QString& text,
                                      const QFont& font, TAlignment alignment) const {
    const int w = std::max(1, width());
    strip = QImage(w, std::max(1, height), QImage::Format_RGB32);
    QPainter painter(&strip);
    TCanvas canvas(painter);
    DrawElement([&] { canvas.FillRect({0, 0, w, strip.height()}, ResolveColor(FColor)); });
    DrawElement([&] {
        const QRect box = ToQRect({2, 2, w - 2, strip.height() - 2});
        painter.setPen(ResolveColor(clWindowText));
        painter.setFont(font);
        const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, box.width());
        const int flags = static_cast<int>(HorizontalAlignment(alignment) | Qt::AlignVCenter) |
                          Qt::TextSingleLine;
        painter.drawText(box, flags, shown);
    });
}

void TLabelProgressBar::DrawTextStrip() {
    DrawLineStrip(FTextStrip, FTextStripHeight, FText, FTextFont, FTextAlignment);
}

void TLabelProgressBar::DrawInfoStrip() {
    DrawLineStrip(FInfoStrip, FInfoStripHeight, InfoText(), FInfoFont, FInfoAlignment);
}

QString TLabelProgressBar::InfoText() const {
    switch (FInfoType) {
        case infElapsedTime: {
            if (!FTimingActive)
                return QString();
            const std::int64_t seconds = (FTicks() - FStartTick) / 1000;
            return FillTimeTemplate(FInfoTemplates[infElapsedTime], seconds / 3600,
                                    seconds % 3600 / 60, seconds % 60);
        }
        case infTimeLeft: {
            if (!FTimingActive)
                return QString();
            const double elapsed = static_cast<double>(FTicks() - FStartTick);
            const std::int64_t done = static_cast<std::int64_t>(FPosition) - FMin;
            const auto left = static_cast<double>(static_cast<std::int64_t>(FMax) - FPosition);
            const auto range = static_cast<double>(static_cast<std::int64_t>(FMax) - FMin);
            const double estimate =
                done > 1 ? elapsed / static_cast<double>(done) * left : elapsed * range;
            const auto seconds = static_cast<std::int64_t>(std::nearbyint(estimate / 1000.0));
            const std::int64_t hours = seconds / 3600;
            const std::int64_t minutes = (seconds - hours * 3600) / 60;
            return FillTimeTemplate(FInfoTemplates[infTimeLeft], hours, minutes,
                                    seconds - hours * 3600 - minutes * 60);
        }
        default:
            return FInfo;
    }
}
// ---- The percent box text ---------------------------------------------------

bool TLabelProgressBar::PercentBoxShown() const {
    if (FPercentView == percentNone)
        return false;
    if (FPosition == FMin)
        return FPercentVisibility.testFlag(bvMinVisible);
    if (FPosition == FMax)
        return FPercentVisibility.testFlag(bvMaxVisible);
    return FPercentVisibility.testFlag(bvInside);
}

QString TLabelProgressBar::PercentBoxText() const {
    const int type = static_cast<int>(FPercentType);
    const QString& pattern = FPercentTexts[std::clamp(type, 0, 3)];
    if (FPercentType == showPercent) {
        // A maximum of 0 (a range below zero) takes the share of the range
        // instead; an empty range shows 0.
        const std::int64_t percent =
            FMax != 0 ? NearestPercent(FPosition, FMax)
                      : NearestPercent(static_cast<std::int64_t>(FPosition) - FMin,
                                       static_cast<std::int64_t>(FMax) - FMin);
        return FormatPercentText(pattern, {percent});
    }
    return FormatPercentText(pattern, {static_cast<std::int64_t>(FPosition) - FMin,
                                       static_cast<std::int64_t>(FMax) - FMin});
}
}  // namespace vantrel
