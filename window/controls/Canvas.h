// What the controls draw on, implemented by every front end over its own
// painter. The pixel rules the controls are designed for live here, not in
// the front ends: a line leaves out its last point, a rectangle fill leaves
// out its right column and bottom row (TRect's edges), and a polygon's
// outline lies on its outermost pixels. A front end only fills rectangles,
// repeats a pattern, copies images and lays out text.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "window/controls/Colors.h"
#include "window/controls/PixelImage.h"
#include "window/geometry/Geometry.h"

namespace vantrel {

// A font as the controls' settings name it; the front end finds the face.
// Exactly one of the sizes is given (above 0): points follow the screen's
// resolution, pixels do not.
struct TFont {
    std::u16string Family;
    double PointSize = -1;
    int PixelSize = -1;
    int Weight = 400;  // 100..900; 700 is bold
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    bool operator==(const TFont&) const = default;
};

enum class THorzAlign { Left, Right, Center };
enum class TVertAlign { Top, Center };

struct TTextLayout {
    THorzAlign Horz = THorzAlign::Left;
    TVertAlign Vert = TVertAlign::Top;
    // Breaks lines at word boundaries to fit the box; otherwise one line.
    bool WordWrap = false;
};

// Text measured the way the front end will draw it.
class TTextMeasure {
public:
    virtual ~TTextMeasure() = default;
    // How far the pen moves over `text` on one line.
    virtual int TextWidth(const TFont& font, std::u16string_view text) const = 0;
    // The height of a line: ascent, descent and the line's own spacing.
    virtual int LineHeight(const TFont& font) const = 0;
    // The height `text` takes on one line, its accents and descenders included.
    virtual int TextHeight(const TFont& font, std::u16string_view text) const = 0;
    // The height of `text` broken into lines of at most `width` pixels.
    virtual int WrappedHeight(const TFont& font, std::u16string_view text, int width) const = 0;
    // `text` cut at its end, an ellipsis after the cut, to fit `width`.
    virtual std::u16string ElideRight(const TFont& font, std::u16string_view text,
                                      int width) const = 0;
};

class TCanvas : public TTextMeasure {
public:
    void SetPenColor(TRgb color) { FPenColor = color; }
    TRgb PenColor() const { return FPenColor; }

    // The pixels of `rect`, in `color`; an empty rectangle draws nothing.
    virtual void FillRect(const TRect& rect, TRgb color) = 0;
    // Fills `rect` with `pattern` repeated from the canvas's origin.
    virtual void FillRectPattern(const TRect& rect, const TPixelImage& pattern) = 0;
    // `image` with its top left at (x, y), blended where it has alpha.
    virtual void DrawImage(int x, int y, const TPixelImage& image) = 0;
    // The pixels drawn so far inside `rect`, black outside the canvas. Only
    // canvases over an image can read back; others throw std::logic_error.
    virtual TPixelImage CopyPixels(const TRect& rect) const = 0;
    // `text` in `color` inside `box`, laid out as `layout` says.
    virtual void DrawText(const TRect& box, std::u16string_view text, const TFont& font, TRgb color,
                          TTextLayout layout) = 0;
    // The window style's frame of a tab pane round `rect`; gives the part
    // inside the frame.
    virtual TRect DrawTabPane(const TRect& rect) = 0;

    void MoveTo(int x, int y) { FPenPos = {x, y}; }
    // A line in the pen colour from the pen position to (x, y), which it
    // leaves out; the pen position moves to (x, y).
    void LineTo(int x, int y);
    // Lines through `points` in order; only the very last point is left out.
    void Polyline(std::span<const TPoint> points);
    // The polygon's interior in `fill` and its closed outline in the pen colour.
    void Polygon(std::span<const TPoint> points, TRgb fill);
    // The closed outline only (a hollow brush).
    void PolygonOutline(std::span<const TPoint> points);

private:
    void Plot(int x, int y) { FillRect({x, y, x + 1, y + 1}, FPenColor); }
    void FillInterior(std::span<const TPoint> points, TRgb fill);

    TRgb FPenColor;
    TPoint FPenPos;
};

// Runs one drawing step of a paint. An exception must not leave a paint
// (a window system's paint event would end the program), so a step that
// fails on a range error, such as an unknown colour value, stays undrawn
// and the paint goes on.
template <class TStep>
void DrawElement(TStep&& step) {
    try {
        step();
    } catch (const std::range_error&) {
    } catch (const std::invalid_argument&) {
    }
}

}  // namespace vantrel
