#include <gtest/gtest.h>

#include "PixelCanvas.h"
#include "window/controls/SpecialFrame.h"
#include "window/controls/TabedLabel.h"

namespace vantrel {
namespace {

using test::TFixedTextMeasure;
using test::TPixelCanvas;

TEST(SpecialFrame, OutlinesCutRoundCorners) {
    constexpr auto rect = TFrameCorner::Rect;
    constexpr auto round = TFrameCorner::Round;
    struct TRow {
        TFrameCorner TopLeft, TopRight, BottomRight, BottomLeft;
        std::vector<TPoint> Outline;
    };
    const TRow rows[] = {
        {rect, rect, rect, rect, {{0, 0}, {29, 0}, {29, 19}, {0, 19}}},
        {round,
         round,
         round,
         round,
         {{0, 2}, {2, 0}, {27, 0}, {29, 2}, {29, 17}, {27, 19}, {2, 19}, {0, 17}}},
        {rect, round, rect, rect, {{0, 0}, {27, 0}, {29, 2}, {29, 19}, {0, 19}}},
    };
    for (const TRow& row : rows) {
        TSpecialFrameSettings settings;
        settings.TopLeft = row.TopLeft;
        settings.TopRight = row.TopRight;
        settings.BottomRight = row.BottomRight;
        settings.BottomLeft = row.BottomLeft;
        EXPECT_EQ(SpecialFrameOutline(settings, 30, 20), row.Outline) << row.Outline.size();
    }
}

TEST(SpecialFrame, TabStyleFillsInsideThePane) {
    test::UseTestSystemColors();
    TSpecialFrameSettings settings;
    settings.TabStyle = true;
    settings.Color = clBtnFace;
    TPixelCanvas canvas(10, 10, {1, 2, 3});
    DrawSpecialFrame(canvas, settings, 10, 10);
    EXPECT_EQ(canvas.TabPanes, 1);
    EXPECT_EQ(canvas.At(1, 1), (TRgb{1, 2, 3}));  // the pane's frame is the style's
    EXPECT_EQ(canvas.At(2, 2), (TRgb{240, 240, 240}));
}

TEST(TabedLabel, LayoutFollowsCaptionAndText) {
    const TFixedTextMeasure measure;
    TTabedLabelSettings settings;
    settings.Caption = u"Info";
    settings.Text = std::u16string(30, u'x');
    // 4 characters and 12 pixels of margin; the body wraps at 120 - 14.
    EXPECT_EQ(TabedLabelTabWidth(settings, measure, 120), 4 * 6 + 12);
    EXPECT_EQ(TabedLabelHeight(settings, measure, 120), 3 + 10 + 8 + 2 * 10 + 4 + 4);
    // A long caption stops 21 pixels short of the right edge.
    settings.Caption = std::u16string(40, u'W');
    EXPECT_EQ(TabedLabelTabWidth(settings, measure, 120), 99);
    // An empty body still takes a line.
    settings.Text.clear();
    EXPECT_EQ(TabedLabelHeight(settings, measure, 120), 3 + 10 + 8 + 10 + 4 + 4);
}

TEST(TabedLabel, ShadowMovesTheBodyOutlineIn) {
    const TFixedTextMeasure measure;
    TTabedLabelSettings settings;
    settings.Caption = u"Info";
    const TTabedLabelOutline plain = TabedLabelOutline(settings, measure, 120, 60);
    EXPECT_EQ(plain[3], (TPoint{36, 2}));
    EXPECT_EQ(plain[5], (TPoint{38, 15}));
    EXPECT_EQ(plain[8], (TPoint{119, 57}));
    settings.Shadow = true;
    const TTabedLabelOutline shadowed = TabedLabelOutline(settings, measure, 120, 60);
    EXPECT_EQ(shadowed[3], plain[3]);  // the tab stays
    EXPECT_EQ(shadowed[8], (TPoint{118, 56}));
    EXPECT_EQ(shadowed[10], (TPoint{2, 58}));
}

}  // namespace
}  // namespace vantrel
