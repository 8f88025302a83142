// A captioned text box: a folder-like tab holding a bold one-line caption,
// joined to a body holding word-wrapped text, with gradients inside the tab
// and along the bottom and an optional drop shadow. The information panel
// stacks one per section.
#pragma once

#include <QFont>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>

#include "controls/ControlColors.h"
#include "controls/GradientFill.h"

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
    using TOutline = std::array<QPoint, 12>;

    explicit TTabedLabel(QWidget* parent = nullptr);

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    // The caption's font; starts as the application's font made bold, and
    // keeps its own values when the parent's font changes later.
    const QFont& Font() const { return FFont; }
    void SetFont(const QFont& font);
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }
    TColor FillColor() const { return FFillColor; }
    void SetFillColor(TColor color);
    TColor GradientColor() const { return FGradientColor; }
    void SetGradientColor(TColor color);
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& caption);
    const QString& Text() const { return FText; }
    void SetText(const QString& text);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor color);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor color);
    bool Shadow() const { return FShadow; }
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
    void PaintShadow(TCanvas& canvas, const TOutline& p);

    TColor FColor = clWindow;
    QFont FFont;
    QPointer<QMenu> FPopupMenu;
    TColor FFillColor = clWindow;
    TColor FGradientColor = 0xDDD0C1;
    QString FCaption;
    QString FText;
    TColor FBorderColor = 0xB99D7F;
    TColor FShadowColor = clBtnShadow;
    bool FShadow = false;
    QFont FTextFont;
    bool FAutosize = false;
};

}  // namespace vantrel
