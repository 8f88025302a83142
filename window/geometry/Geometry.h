// Points, sizes and rectangles in pixels, for every front end. A rectangle
// is given by its edges, as the controls and the popup were designed: Right
// and Bottom lie just outside it.
#pragma once

namespace vantrel {

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TSize {
    int Width = 0;
    int Height = 0;
    bool operator==(const TSize&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    static constexpr TRect FromSize(int left, int top, int width, int height) {
        return {left, top, left + width, top + height};
    }
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr TRect Shrunk(int by) const { return {Left + by, Top + by, Right - by, Bottom - by}; }
    constexpr TPoint TopLeft() const { return {Left, Top}; }
    bool operator==(const TRect&) const = default;
};

}  // namespace vantrel
