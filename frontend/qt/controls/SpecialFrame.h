// A panel that draws a one-pixel frame round a filled area, each corner square
// or cut by a small diagonal: the white cards of the main window, the error
// dialog and the tray popup. The core (window/controls/SpecialFrame.h) draws
// it; this widget holds the form's properties.
#pragma once

#include <QObject>
#include <QWidget>

#include <vector>

#include "frontend/qt/controls/ControlColors.h"
#include "window/controls/SpecialFrame.h"

namespace vantrel {

class TFrameCorners : public QObject {
    Q_OBJECT
    Q_PROPERTY(TCornerStyle TopLeft READ TopLeft WRITE SetTopLeft)
    Q_PROPERTY(TCornerStyle TopRight READ TopRight WRITE SetTopRight)
    Q_PROPERTY(TCornerStyle BottomLeft READ BottomLeft WRITE SetBottomLeft)
    Q_PROPERTY(TCornerStyle BottomRight READ BottomRight WRITE SetBottomRight)

public:
    // csRound cuts the corner by a diagonal of 2 pixels.
    enum TCornerStyle { csRect = 0, csRound = 1 };
    Q_ENUM(TCornerStyle)

    explicit TFrameCorners(QObject* parent = nullptr) : QObject(parent) {}

    TCornerStyle TopLeft() const { return FTopLeft; }
    TCornerStyle TopRight() const { return FTopRight; }
    TCornerStyle BottomLeft() const { return FBottomLeft; }
    TCornerStyle BottomRight() const { return FBottomRight; }
    void SetTopLeft(TCornerStyle style) { Store(FTopLeft, style); }
    void SetTopRight(TCornerStyle style) { Store(FTopRight, style); }
    void SetBottomLeft(TCornerStyle style) { Store(FBottomLeft, style); }
    void SetBottomRight(TCornerStyle style) { Store(FBottomRight, style); }
    void SetAll(TCornerStyle style);

signals:
    // After every corner change, with the corner set as sender. The panel
    // itself does not listen: a corner change shows at the next repaint.
    void OnChange(QObject* sender);

private:
    void Store(TCornerStyle& corner, TCornerStyle style);

    TCornerStyle FTopLeft = csRect;
    TCornerStyle FTopRight = csRect;
    TCornerStyle FBottomLeft = csRect;
    TCornerStyle FBottomRight = csRect;
};

using TCornerStyle = TFrameCorners::TCornerStyle;
inline constexpr TCornerStyle csRect = TFrameCorners::csRect;
inline constexpr TCornerStyle csRound = TFrameCorners::csRound;

class TSpecialFrame : public QWidget {
    Q_OBJECT
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(uint FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(uint FrameColor READ FrameColor WRITE SetFrameColor)
    Q_PROPERTY(vantrel::TFrameCorners* Corners READ Corners CONSTANT)
    Q_PROPERTY(bool TabStyle READ TabStyle WRITE SetTabStyle)

public:
    explicit TSpecialFrame(QWidget* parent = nullptr);

    // Background outside the frame: the pixels that csRound corners cut off.
    TColor Color() const { return FSettings.Color; }
    void SetColor(TColor color);
    TColor FillColor() const { return FSettings.FillColor; }
    void SetFillColor(TColor color);
    TColor FrameColor() const { return FSettings.FrameColor; }
    void SetFrameColor(TColor color);
    TFrameCorners* Corners() const { return FCorners; }
    // The style's tab-widget pane instead of the frame; takes effect at the
    // next repaint.
    bool TabStyle() const { return FSettings.TabStyle; }
    void SetTabStyle(bool tabStyle) { FSettings.TabStyle = tabStyle; }

    // The frame's outline for a panel of `width` by `height`, clockwise from
    // the top left: 4 to 8 points.
    std::vector<TPoint> Outline(int width, int height) const;
    // The properties as the core draws them, corners included.
    TSpecialFrameSettings Settings() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TFrameCorners* FCorners;
    TSpecialFrameSettings FSettings;
};

}  // namespace vantrel
