#include "window/controls/LabelProgressBar.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "window/controls/ColorFunctions.h"

namespace vantrel {
namespace {

const std::u16string kDefaultPercentTexts[4] = {u"%d%%", u"%d", u"%d of %d", u"Processing"};

// Text strips are as high as a line that holds accents and descenders.
constexpr std::u16string_view kStripSample = u"`qW(,^";

constexpr TColor kGradientBaseColor = 0xFF0000;

std::int64_t SteadyTicks() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TFont TahomaFont(bool bold) {
    TFont font;
    font.Family = u"Tahoma";
    font.PointSize = 8;
    font.Weight = bold ? 700 : 400;
    return font;
}

int StripHeightFor(const TTextMeasure& measure, const TFont& font) {
    return measure.TextHeight(font, kStripSample) + 4;
}

std::u16string Number(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string TwoDigits(std::int64_t value) {
    return value < 10 ? u"0" + Number(value) : Number(value);
}

}  // namespace

TLabelProgressBarCore::TLabelProgressBarCore(const TTextMeasure& measure) : FTicks(SteadyTicks) {
    FSettings.TextFont = TahomaFont(false);
    FSettings.InfoFont = TahomaFont(false);
    FSettings.PercentFont = TahomaFont(true);
    FTextStripHeight = StripHeightFor(measure, FSettings.TextFont);
    FInfoStripHeight = StripHeightFor(measure, FSettings.InfoFont);
    FSettings.PercentColor = AdjustLuminance(kGradientBaseColor, 50);
    for (int i = 0; i < 4; ++i)
        FSettings.PercentTexts[i] = kDefaultPercentTexts[i];
    FSettings.Sections = DefaultSections();
    FSettings.InfoTemplates = {std::u16string(), u"Elapsed time: [Hours]:[Minutes]:[Seconds]",
                               u"Time left: [Hours]:[Minutes]:[Seconds]"};
}

std::vector<TGradientSection> TLabelProgressBarCore::DefaultSections() const {
    const bool bold =
        FSettings.Border == TBarBorder::FlatBold || FSettings.Border == TBarBorder::FlatBoldRounded;
    const int h = FBarHeight - (bold ? 8 : 6);
    const int a = (h - 1) / 2;
    const TColor base = kGradientBaseColor;
    return {{AdjustLuminance(base, 100), base, a},
            {base, base, h - 2 * a},
            {base, AdjustLuminance(base, -100), a}};
}

// ---- Settings with rules of their own ---------------------------------------

void TLabelProgressBarCore::SetTextFont(const TFont& font, const TTextMeasure& measure) {
    FSettings.TextFont = font;
    FTextStripHeight = StripHeightFor(measure, font);
}

void TLabelProgressBarCore::SetInfoFont(const TFont& font, const TTextMeasure& measure) {
    FSettings.InfoFont = font;
    FInfoStripHeight = StripHeightFor(measure, font);
}

void TLabelProgressBarCore::SetMax(int max) {
    FSettings.Max = max;
    if (FSettings.Max < FSettings.Position)
        FSettings.Position = FSettings.Max;
}

void TLabelProgressBarCore::SetMin(int min) {
    FSettings.Min = min;
    if (FSettings.Position < FSettings.Min)
        FSettings.Position = FSettings.Min;
}

void TLabelProgressBarCore::SetPosition(int position, bool loading) {
    TLabelProgressBarSettings& s = FSettings;
    s.Position = position < s.Min ? s.Min : (position > s.Max ? s.Max : position);
    if (s.InfoType != TInfoType::Static && !loading) {
        if (position == s.Min) {
            FStartTick = FTicks();
            FTimingActive = true;
        } else if (position == s.Max) {
            FTimingActive = false;
        }
    }
}

void TLabelProgressBarCore::SetSegmentWidth(int width) {
    FSettings.SegmentWidth = std::clamp(width, 0, 255);
    MarkSegmentImage();
}

void TLabelProgressBarCore::SetSegmentSpace(int space) {
    FSettings.SegmentSpace = std::clamp(space, 0, 255);
    MarkSegmentImage();
}

void TLabelProgressBarCore::SetSegmentBitmap(const TPixelImage& bitmap) {
    FSettings.SegmentBitmap =
        bitmap.Width > 1 ? CopyPart(bitmap, {0, 0, 1, bitmap.Height}) : bitmap;
    FSettings.SegmentBitmap.HasAlpha = bitmap.HasAlpha;
    MarkSegmentImage();
}

void TLabelProgressBarCore::SetAnimationMode(bool animation, bool loading) {
    FSettings.AnimationMode = animation;
    FAnimationOffset = -3;
    if (!loading && animation)
        FAnimationTick = FTicks();
}

void TLabelProgressBarCore::SetPercentTypeText(TPercentType type, std::u16string text) {
    const int index = static_cast<int>(type);
    if (index < 0 || index >= 4)
        return;
    FSettings.PercentTexts[index] = text.empty() ? kDefaultPercentTexts[index] : std::move(text);
}

// ---- Layout -----------------------------------------------------------------

int TLabelProgressBarCore::ShownStripsHeight() const {
    int shown = 0;
    if (FSettings.ShowText)
        shown += FTextStripHeight;
    if (FSettings.ShowInfo)
        shown += FInfoStripHeight;
    return shown;
}

void TLabelProgressBarCore::FitBarHeight(int controlHeight) {
    const int rest = controlHeight - ShownStripsHeight();
    if (rest > 13)
        FBarHeight = rest;
}

// ---- Texts ------------------------------------------------------------------

std::u16string FormatPercentText(std::u16string_view pattern,
                                 std::initializer_list<std::int64_t> numbers) {
    std::u16string out;
    auto next = numbers.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (pattern[i + 1] == u'd' && next != numbers.end()) {
                out += Number(*next++);
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::u16string FillTimeTemplate(std::u16string pattern, std::int64_t hours, std::int64_t minutes,
                                std::int64_t seconds) {
    auto fill = [&pattern](std::u16string_view tag, std::int64_t value) {
        const std::size_t at = pattern.find(tag);
        if (at != std::u16string::npos)
            pattern.replace(at, tag.size(), TwoDigits(value));
    };
    fill(u"[Hours]", hours);
    fill(u"[Minutes]", minutes);
    fill(u"[Seconds]", seconds);
    return pattern;
}

std::u16string TLabelProgressBarCore::InfoText() const {
    const TLabelProgressBarSettings& s = FSettings;
    switch (s.InfoType) {
        case TInfoType::ElapsedTime: {
            if (!FTimingActive)
                return {};
            const std::int64_t seconds = (FTicks() - FStartTick) / 1000;
            return FillTimeTemplate(s.InfoTemplates[1], seconds / 3600, seconds % 3600 / 60,
                                    seconds % 60);
        }
        case TInfoType::TimeLeft: {
            if (!FTimingActive)
                return {};
            const double elapsed = static_cast<double>(FTicks() - FStartTick);
            const std::int64_t done = static_cast<std::int64_t>(s.Position) - s.Min;
            const auto left = static_cast<double>(static_cast<std::int64_t>(s.Max) - s.Position);
            const auto range = static_cast<double>(static_cast<std::int64_t>(s.Max) - s.Min);
            const double estimate =
                done > 1 ? elapsed / static_cast<double>(done) * left : elapsed * range;
            const auto seconds = static_cast<std::int64_t>(std::nearbyint(estimate / 1000.0));
            const std::int64_t hours = seconds / 3600;
            const std::int64_t minutes = (seconds - hours * 3600) / 60;
            return FillTimeTemplate(s.InfoTemplates[2], hours, minutes,
                                    seconds - hours * 3600 - minutes * 60);
        }
        default:
            return s.Info;
    }
}

bool TLabelProgressBarCore::PercentBoxShown() const {
    const TLabelProgressBarSettings& s = FSettings;
    if (s.PercentView == TPercentMode::None)
        return false;
    if (s.Position == s.Min)
        return s.PercentMinVisible;
    if (s.Position == s.Max)
        return s.PercentMaxVisible;
    return s.PercentInside;
}

std::u16string TLabelProgressBarCore::PercentBoxText() const {
    const TLabelProgressBarSettings& s = FSettings;
    const int type = static_cast<int>(s.PercentType);
    const std::u16string& pattern = s.PercentTexts[std::clamp(type, 0, 3)];
    const std::int64_t done = static_cast<std::int64_t>(s.Position) - s.Min;
    const std::int64_t range = static_cast<std::int64_t>(s.Max) - s.Min;
    if (s.PercentType == TPercentType::Percent) {
        // A maximum of 0 (a range below zero) takes the share of the range
        // instead; an empty range shows 0.
        const std::int64_t percent =
            s.Max != 0 ? NearestPercent(s.Position, s.Max) : NearestPercent(done, range);
        return FormatPercentText(pattern, {percent});
    }
    return FormatPercentText(pattern, {done, range});
}

}  // namespace vantrel
