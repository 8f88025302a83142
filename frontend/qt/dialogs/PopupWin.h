// The small top-most popup beside the tray that announces a new or a
// downloaded version. It fades in, stays until the user acts, and frees
// itself when it closes; at most one exists at a time (fTrayPopupWindow).
#pragma once

#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "core/PopupRecords.h"
#include "frontend/qt/controls/SpecialFrame.h"
#include "frontend/qt/dialogs/ClickLabel.h"
#include "window/popup/PopupClosing.h"
#include "window/popup/PopupFade.h"
#include "window/popup/PopupPlacement.h"

class QFrame;

namespace vantrel {

// The taskbar from the primary screen, as TaskbarFromScreen finds it in the
// screen's geometry and available geometry. No screen fails.
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
    int AlphaBlendValue() const { return FFade.Alpha(); }
    bool AlphaBlend() const { return FFade.Blending(); }
    bool CloseAfterFade() const { return FFade.CloseAfterFade(); }
    TNotifyEvent OnPopupDblClick;
    // Runs when the go link is clicked.
    std::function<void()> GoAction;
    // Runs when the popup closes, whichever way.
    std::function<void()> OnClose;

    // The designed position, kept when the taskbar's edge names no side.
    static constexpr QPoint kDesignedPosition{kPopupDesignedPosition.X, kPopupDesignedPosition.Y};
    // The designed client area and the raised dialog frame drawn around it.
    static constexpr int kClientWidth = kPopupClientSize.Width;
    static constexpr int kClientHeight = kPopupClientSize.Height;
    static constexpr int kFrameWidth = kPopupFrameWidth;

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

    // One tick of the fade timer, in whichever direction the fade runs.
    void FadeStep();
    void PlaceNearTray();
    static bool IsTaskbarAutoHide();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateChildren();
    void FormCreate();
    void HideCaptionBar();
    void ConnectPart(TClickLabel* label, TPopupPart part);
    void PartGesture(TPopupPart part, TPopupGesture gesture);
    void ShowAlphaBlendValue();
    void FormPaint();
    void imgCloseClick();
    void lbPopupTextDblClick();
    void FormClose();

    TPopupFade FFade;
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
