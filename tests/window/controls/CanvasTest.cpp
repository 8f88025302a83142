#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PixelCanvas.h"
#include "window/controls/Canvas.h"
#include "window/controls/PixelImage.h"

namespace vantrel {
namespace {

using test::TPixelCanvas;

constexpr TRgb kInk{0, 0, 0};
constexpr TRgb kFill{0, 255, 0};

// The canvas as rows of characters: '#' ink, 'o' fill, '.' background.
std::vector<std::string> Picture(const TPixelCanvas& canvas) {
    std::vector<std::string> rows;
    for (int y = 0; y < canvas.Image.Height; ++y) {
        std::string row;
        for (int x = 0; x < canvas.Image.Width; ++x) {
            const TRgb c = canvas.At(x, y);
            row += c == kInk ? '#' : c == kFill ? 'o' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(CanvasRules, LinesLeaveOutTheirLastPoint) {
    struct TRow {
        TPoint From, To;
        std::vector<std::string> Drawn;
    };
    const std::vector<TRow> rows = {
        {{0, 1}, {4, 1}, {".....", "####.", ".....", "....."}},
        {{4, 1}, {0, 1}, {".....", ".####", ".....", "....."}},
        {{2, 3}, {2, 0}, {".....", "..#..", "..#..", "..#.."}},
        {{0, 0}, {3, 3}, {"#....", ".#...", "..#..", "....."}},
        {{0, 0}, {4, 2}, {"#....", ".##..", "...#.", "....."}},
        {{2, 2}, {2, 2}, {".....", ".....", ".....", "....."}},
    };
    for (const TRow& row : rows) {
        TPixelCanvas canvas(5, 4);
        canvas.SetPenColor(kInk);
        canvas.MoveTo(row.From.X, row.From.Y);
        canvas.LineTo(row.To.X, row.To.Y);
        EXPECT_EQ(Picture(canvas), row.Drawn) << row.To.X << "," << row.To.Y;
    }
}

TEST(CanvasRules, PolygonsFillInsideTheirOutline) {
    struct TRow {
        std::vector<TPoint> Points;
        std::vector<std::string> Drawn;
    };
    const std::vector<TRow> rows = {
        // A rectangle: the outline on its outermost pixels, nothing beyond.
        {{{0, 0}, {4, 0}, {4, 3}, {0, 3}}, {"#####.", "#ooo#.", "#ooo#.", "#####.", "......"}},
        // Corners cut by a diagonal of 2, as the frame panel's round corners.
        {{{0, 2}, {2, 0}, {5, 0}, {5, 4}, {0, 4}},
         {"..####", ".#ooo#", "#oooo#", "#oooo#", "######"}},
        // A lone point is drawn.
        {{{1, 1}}, {"......", ".#....", "......", "......", "......"}},
    };
    for (const TRow& row : rows) {
        TPixelCanvas canvas(6, 5);
        canvas.SetPenColor(kInk);
        canvas.Polygon(row.Points, kFill);
        EXPECT_EQ(Picture(canvas), row.Drawn) << row.Points.size();
    }
}

TEST(CanvasRules, PolylineLeavesOutOnlyTheVeryLastPoint) {
    TPixelCanvas canvas(5, 4);
    canvas.SetPenColor(kInk);
    const TPoint points[] = {{0, 3}, {0, 0}, {4, 0}, {4, 3}};
    canvas.Polyline(points);
    EXPECT_EQ(Picture(canvas), (std::vector<std::string>{"#####", "#...#", "#...#", "#...."}));
}

TEST(PixelImages, CopyTileAndFlatten) {
    TPixelImage image(2, 2, 0xFF102030u);
    image.At(1, 1) = 0xFFFFFFFFu;
    // Outside the image is black.
    const TPixelImage part = CopyPart(image, {1, 1, 3, 2});
    EXPECT_EQ(part.Pixels, (std::vector<std::uint32_t>{0xFFFFFFFFu, 0u}));
    // Tiles repeat from the top-left corner.
    const TPixelImage tiled = Tiled(image, 3, 3);
    EXPECT_EQ(tiled.At(2, 2), 0xFF102030u);
    EXPECT_EQ(tiled.At(1, 1), 0xFFFFFFFFu);
    // Alpha is premultiplied into the colour over black, rounded.
    TPixelImage translucent(1, 2);
    translucent.HasAlpha = true;
    translucent.Pixels = {0x80FF4000u, 0x00FFFFFFu};
    EXPECT_EQ(OverBlack(translucent).Pixels,
              (std::vector<std::uint32_t>{0xFF802000u, 0xFF000000u}));
    EXPECT_THROW(TPixelImage(-1, 4), std::range_error);
    EXPECT_THROW(TPixelImage(100'000, 100'000), std::range_error);
}

}  // namespace
}  // namespace vantrel
