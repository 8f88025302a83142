// The small top-most popup beside the tray that announces a new or a
// downloaded version. It fades in, stays until the user acts, and frees
// itself when it closes; at most one exists at a time (fTrayPopupWindow).
#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "controls/SpecialFrame.h"
#include "core/PopupRecords.h"
#include "dialogs/ClickLabel.h"

class QFrame;

namespace vantrel {

// The side of the screen the taskbar sits on.
enum class TTaskbarEdge { Left = 0, Top = 1, Right = 2, Bottom = 3 };

struct TTaskbarInfo {
    int Edge = 0;  // a TTaskbarEdge value; anything else keeps the designed position
    QRect Rect;    // the taskbar's rectangle in screen coordinates
};

// Where the popup goes for a taskbar query's result (nothing when the query
// failed), given the primary screen's rectangle (in desktop coordinates) and
// the popup's outer size. `designed` is kept for an edge value that names no
// side.
QPoint PopupPositionNearTray(const std::optional<TTaskbarInfo>& taskbar, bool autoHide,
                             const QRect& screen, const QSize& popup, const QPoint& designed);

// The taskbar from the primary screen: the side on which its available
// geometry is inset from its geometry. No inset (or no screen) fails.
std::optional<TTaskbarInfo> QueryTaskbar();

class TfTrayPopupWindow : public QWidget {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TfTrayPopupWindow(QWidget* owner = nullptr);
    ~TfTrayPopupWindow() override;

    void SetOnPopupDblClick(TNotifyEvent handler) { OnPopupDblClick = std::move(handler); }
    void ShowWithoutTaskbarButton();
    void MakeTopMost();
    void StartFadeIn();
    void StartFadeOut(bool closeAfterFade);

    // The blend value, 0 (transparent) to 255 (opaque).
    int AlphaBlendValue() const { return FAlphaBlendValue; }
    bool AlphaBlend() const { return FAlphaBlend; }
    bool CloseAfterFade = false;
    TNotifyEvent OnPopupDblClick;
    // Runs when the popup closes, whichever way.
    std::function<void()> OnClose;

    // The designed position, kept when the taskbar's edge names no side.
    static constexpr QPoint kDesignedPosition{366, 364};
    // The designed client area and the raised dialog frame drawn around it.
    static constexpr int kClientWidth = 211;
    static constexpr int kClientHeight = 122;
    static constexpr int kFrameWidth = 3;

    // Holds every child at its designed client position, inside the frame.
    QWidget* ClientArea;

    TClickLabel* lbPopupCaption;
    TClickLabel* lbPopupText;
    TClickLabel* lbGoLabel;
    TClickLabel* imgGo;
    TClickLabel* imgClose;
    QFrame* Bevel2;
    TSpecialFrame* SpecialFrame1;
    TClickLabel* imgLogo;
    QTimer* tmProcTimer;

    // One step of each fade, as the timer runs them.
    void FadeInStep();
    void FadeOutStep();
    void PlaceNearTray();
    static bool IsTaskbarAutoHide();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateChildren();
    void FormCreate();
    void HideCaptionBar();
    void SetAlphaBlendValue(int value);
    void SetTimerHandler(void (TfTrayPopupWindow::*step)());
    void FormPaint();
    void imgCloseClick();
    void lbPopupTextDblClick();
    void FormClose();

    bool FAlphaBlend = true;
    int FAlphaBlendValue = 0;
    QMetaObject::Connection FTimerHandler;
};

// The popup on screen, or nothing.
extern QPointer<TfTrayPopupWindow> fTrayPopupWindow;

// The caller's side, as the main window uses it. `text` translates and then
// expands one template of the record; `goAction` runs when the go link is
// clicked; `dblClick` is the popup's double-click handler.
struct TTrayPopupRequest {
    QWidget* Owner = nullptr;
    TPopupInfoRec Info;
    std::function<QString(const std::string& templateText)> Text;
    std::function<void()> GoAction;
    TfTrayPopupWindow::TNotifyEvent DblClick;
    std::function<void()> Closed;
};

// Replaces any popup on screen (at once, without fading) by a new one that
// fades in.
TfTrayPopupWindow* ShowTrayPopup(const TTrayPopupRequest& request);
// Closes the popup on screen at once, if there is one.
void CloseTrayPopup();
// The double-click on a popup: fade it out and close it, and show the main
// window at once through `showMainWindow`.
void PopupDblClick(QObject* sender, const std::function<void()>& showMainWindow);

}  // namespace vantrel
