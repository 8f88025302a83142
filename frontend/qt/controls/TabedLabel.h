// A captioned text box: a folder-like tab holding a bold one-line caption,
// joined to a body holding word-wrapped text, with gradients inside the tab
// and along the bottom and an optional drop shadow. The information panel
// stacks one per section. The core (window/controls/TabedLabel.h) lays it
// out and draws it; this widget holds the form's properties.
#pragma once

#include <QFont>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "frontend/qt/controls/Canvas.h"
#include "frontend/qt/controls/ControlColors.h"
#include "window/controls/TabedLabel.h"

namespace vantrel {

class TTabedLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(QFont Font READ Font WRITE SetFont)
    Q_PROPERTY(QMenu* PopupMenu READ PopupMenu WRITE SetPopupMenu)
    Q_PROPERTY(uint FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(uint GradientColor READ GradientColor WRITE SetGradientColor)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(uint BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(uint ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(bool Shadow READ Shadow WRITE SetShadow)
    Q_PROPERTY(QFont TextFont READ TextFont WRITE SetTextFont)
    Q_PROPERTY(bool Autosize READ Autosize WRITE SetAutosize)

public:
    using TOutline = TTabedLabelOutline;

    explicit TTabedLabel(QWidget* parent = nullptr);

    TColor Color() const { return FSettings.Color; }
    void SetColor(TColor color);
    // The caption's font; starts as the application's font made bold, and
    // keeps its own values when the parent's font changes later.
    const QFont& Font() const { return FFont; }
    void SetFont(const QFont& font);
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }
    TColor FillColor() const { return FSettings.FillColor; }
    void SetFillColor(TColor color);
    TColor GradientColor() const { return FSettings.GradientColor; }
    void SetGradientColor(TColor color);
    QString Caption() const { return ToQString(FSettings.Caption); }
    void SetCaption(const QString& caption);
    QString Text() const { return ToQString(FSettings.Text); }
    void SetText(const QString& text);
    TColor BorderColor() const { return FSettings.BorderColor; }
    void SetBorderColor(TColor color);
    TColor ShadowColor() const { return FSettings.ShadowColor; }
    void SetShadowColor(TColor color);
    bool Shadow() const { return FSettings.Shadow; }
    void SetShadow(bool shadow);
    const QFont& TextFont() const { return FTextFont; }
    void SetTextFont(const QFont& font);
    bool Autosize() const { return FAutosize; }
    void SetAutosize(bool autosize);

    // The height that the caption and the wrapped text need at the current
    // width.
    int CalcHeight() const;
    // With Autosize on, takes the height from CalcHeight; repaints either way.
    void AdjustHeight();

    // The box's outline at a size of `width` by `height`.
    TOutline Outline(int width, int height) const;
    // Width of the tab at a box width of `width`.
    int TabWidth(int width) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TTabedLabelSettings FSettings;
    // The fonts as the form set them, for reading back.
    QFont FFont;
    QFont FTextFont;
    QPointer<QMenu> FPopupMenu;
    bool FAutosize = false;
};

}  // namespace vantrel
