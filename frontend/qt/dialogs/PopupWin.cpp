#include "frontend/qt/dialogs/PopupWin.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "core/SourceTexts.h"
#include "core/iProcs.h"
#include "frontend/qt/controls/Canvas.h"
#include "frontend/qt/dialogs/Pictures.h"
#include "frontend/qt/dialogs/WindowHints.h"
#include "window/controls/GradientFill.h"

namespace vantrel {

QPointer<TfTrayPopupWindow> fTrayPopupWindow;

namespace {

// The gradient's top colour, also behind the logo frame's cut corners.
constexpr TColor kPopupTopColor = 0xFFA9A5;

TRect ToTRect(const QRect& r) {
    return TRect::FromSize(r.x(), r.y(), r.width(), r.height());
}

QFont PopupFont(bool bold) {
    QFont font(QStringLiteral("Microsoft Sans Serif"));
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

TClickLabel* MakeLabel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* label = new TClickLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(PopupFont(false));
    return label;
}

// One ring of a frame, a pixel wide: light along the top and left edges,
// dark along the bottom and right ones.
void DrawRing(TCanvas& canvas, const TRect& r, TColor topLeft, TColor bottomRight) {
    const TRgb light = ResolveRgb(topLeft);
    const TRgb dark = ResolveRgb(bottomRight);
    canvas.FillRect({r.Left, r.Top, r.Right, r.Top + 1}, light);
    canvas.FillRect({r.Left, r.Top, r.Left + 1, r.Bottom}, light);
    canvas.FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom}, dark);
    canvas.FillRect({r.Right - 1, r.Top, r.Right, r.Bottom}, dark);
}

// The raised frame of a dialog window, three pixels wide: the two rings of
// a raised edge and one of the button face.
void DrawDialogFrame(TCanvas& canvas, const TRect& outer) {
    DrawRing(canvas, outer, cl3DLight, cl3DDkShadow);
    DrawRing(canvas, outer.Shrunk(1), clBtnHighlight, clBtnShadow);
    DrawRing(canvas, outer.Shrunk(2), clBtnFace, clBtnFace);
}

}  // namespace

std::optional<TTaskbarInfo> QueryTaskbar() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return std::nullopt;
    return TaskbarFromScreen(ToTRect(screen->geometry()), ToTRect(screen->availableGeometry()));
}

TfTrayPopupWindow::TfTrayPopupWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FFade(IsWinNT) {
    setObjectName(QStringLiteral("fTrayPopupWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(PopupFont(false));
    setFixedSize(kClientWidth + 2 * kFrameWidth, kClientHeight + 2 * kFrameWidth);
    move(kDesignedPosition);
    SkipTaskbarAndPager(*this);
    CreateChildren();
    FormCreate();
}

TfTrayPopupWindow::~TfTrayPopupWindow() {
    if (fTrayPopupWindow == this)
        fTrayPopupWindow = nullptr;
}

void TfTrayPopupWindow::CreateChildren() {
    // Transparent: the form paints the gradient behind it.
    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setGeometry(kFrameWidth, kFrameWidth, kClientWidth, kClientHeight);

    lbPopupCaption = MakeLabel(ClientArea, "lbPopupCaption", QRect(51, 9, 130, 30));
    lbPopupCaption->setFont(PopupFont(true));
    lbPopupCaption->setWordWrap(true);
    lbPopupCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    lbPopupText = MakeLabel(ClientArea, "lbPopupText", QRect(10, 45, 192, 41));
    lbPopupText->setWordWrap(true);
    lbPopupText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    lbGoLabel = MakeLabel(ClientArea, "lbGoLabel", QRect(32, 98, 0, 13));
    QFont linkFont = PopupFont(false);
    linkFont.setUnderline(true);
    lbGoLabel->setFont(linkFont);
    QPalette linkPalette = lbGoLabel->palette();
    linkPalette.setColor(QPalette::WindowText, ResolveColor(clBlue));
    lbGoLabel->setPalette(linkPalette);
    lbGoLabel->setCursor(Qt::PointingHandCursor);

    imgGo = MakeLabel(ClientArea, "imgGo", QRect(10, 97, 16, 16));
    imgGo->setPixmap(LoadPicture("POPUPGO"));
    imgGo->setCursor(Qt::PointingHandCursor);

    imgClose = MakeLabel(ClientArea, "imgClose", QRect(191, 5, 16, 16));
    imgClose->setPixmap(LoadPicture("POPUPCLOSE"));
    imgClose->setCursor(Qt::PointingHandCursor);

    // An etched line across the whole width (the part past the client's
    // right edge is clipped).
    Bevel2 = new QFrame(ClientArea);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setFrameShape(QFrame::HLine);
    Bevel2->setFrameShadow(QFrame::Sunken);
    Bevel2->setGeometry(1, 88, 262, 2);

    SpecialFrame1 = new TSpecialFrame(ClientArea);
    SpecialFrame1->setObjectName(QStringLiteral("SpecialFrame1"));
    SpecialFrame1->setGeometry(8, 8, 36, 36);
    SpecialFrame1->Corners()->SetAll(csRound);

    imgLogo = MakeLabel(SpecialFrame1, "imgLogo", QRect(2, 2, 32, 32));
    imgLogo->setPixmap(LoadPicture("POPUPLOGO"));

    tmProcTimer = new QTimer(this);
    tmProcTimer->setObjectName(QStringLiteral("tmProcTimer"));
    tmProcTimer->setInterval(kPopupFadeIntervalMs);
    connect(tmProcTimer, &QTimer::timeout, this, &TfTrayPopupWindow::FadeStep);

    ConnectPart(lbPopupCaption, TPopupPart::Caption);
    ConnectPart(lbPopupText, TPopupPart::Text);
    ConnectPart(imgLogo, TPopupPart::Logo);
    ConnectPart(lbGoLabel, TPopupPart::GoLink);
    ConnectPart(imgGo, TPopupPart::GoIcon);
    ConnectPart(imgClose, TPopupPart::CloseIcon);
}

void TfTrayPopupWindow::ConnectPart(TClickLabel* label, TPopupPart part) {
    connect(label, &TClickLabel::clicked, this,
            [this, part] { PartGesture(part, TPopupGesture::Click); });
    connect(label, &TClickLabel::doubleClicked, this,
            [this, part] { PartGesture(part, TPopupGesture::DoubleClick); });
}

void TfTrayPopupWindow::PartGesture(TPopupPart part, TPopupGesture gesture) {
    const std::optional<TPopupRequest> request = PopupRequestFor(part, gesture);
    if (!request)
        return;
    switch (*request) {
        case TPopupRequest::Close:
            imgCloseClick();
            break;
        case TPopupRequest::GoAction:
            if (GoAction)
                GoAction();
            break;
        case TPopupRequest::DoubleClick:
            lbPopupTextDblClick();
            break;
    }
}

void TfTrayPopupWindow::FormCreate() {
    ShowAlphaBlendValue();
    HideCaptionBar();
    PlaceNearTray();
    SpecialFrame1->SetColor(kPopupTopColor);
}

// The window manager never gives the popup a caption or a frame
// (Qt::FramelessWindowHint); the form draws its dialog frame itself, so
// there is no caption to remove and the client keeps its designed size.
void TfTrayPopupWindow::HideCaptionBar() {}

// The primary screen's geometry does not tell whether a panel hides itself;
// such a panel counts as always shown.
bool TfTrayPopupWindow::IsTaskbarAutoHide() {
    return false;
}

void TfTrayPopupWindow::PlaceNearTray() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen != nullptr ? screen->geometry() : QRect();
    const QSize outer = frameGeometry().size();
    const TPoint place =
        PopupPositionNearTray(QueryTaskbar(), IsTaskbarAutoHide(), ToTRect(screenRect),
                              TSize{outer.width(), outer.height()}, TPoint{x(), y()});
    move(place.X, place.Y);
}

// A tool window is left out of the taskbar only by some panels: the window
// manager is told so, before the window is mapped where that is still
// possible. The hidden owner window that needs hiding elsewhere does not exist.
void TfTrayPopupWindow::ShowWithoutTaskbarButton() {
    SkipTaskbarAndPager(*this);
    if (!isVisible())
        show();
}

// The window stays in the top-most band through its flags; raising it puts
// it in front of other top-most windows without taking the focus. The
// window system sends no position-changing notification to re-assert this
// from, so there is no recursion to guard against.
void TfTrayPopupWindow::MakeTopMost() {
    raise();
}

// Without blending the window keeps the opacity it was made with.
void TfTrayPopupWindow::ShowAlphaBlendValue() {
    if (!FFade.Blending())
        return;
    setWindowOpacity(FFade.Alpha() / static_cast<double>(kPopupOpaque));
    // On X11 the new opacity is a window property that Qt sends with the
    // next flush of its connection, and a timer tick alone flushes nothing:
    // without a repaint the server keeps the first step's value and the
    // popup stays all but invisible.
    update();
}

void TfTrayPopupWindow::StartFadeIn() {
    if (!FFade.StartIn())
        return;
    tmProcTimer->start();
}

void TfTrayPopupWindow::StartFadeOut(bool closeAfterFade) {
    if (!FFade.StartOut(closeAfterFade))
        return;
    tmProcTimer->start();
}

// The steps do not pump events themselves: the event loop serves input
// between two ticks anyway, and a nested pump could close and free the
// popup under the running step.
void TfTrayPopupWindow::FadeStep() {
    const TFadeTick tick = FFade.Tick();
    if (tick.AlphaChanged)
        ShowAlphaBlendValue();
    if (tick.StopTimer)
        tmProcTimer->stop();
    if (tick.Close)
        close();
}

void TfTrayPopupWindow::paintEvent(QPaintEvent* /*event*/) {
    FormPaint();
}

void TfTrayPopupWindow::FormPaint() {
    QPainter painter(this);
    TQtCanvas canvas(painter, this);
    DrawElement([&] {
        DrawDialogFrame(canvas, TRect{0, 0, width(), height()});
        GradientFillRect(canvas, TRect{0, 0, width(), height()}.Shrunk(kFrameWidth), kPopupTopColor,
                         clWhite, GRADIENT_FILL_RECT_V);
    });
}

void TfTrayPopupWindow::imgCloseClick() {
    tmProcTimer->stop();
    FFade.Stop();
    close();
}

void TfTrayPopupWindow::lbPopupTextDblClick() {
    if (OnPopupDblClick)
        OnPopupDblClick(this);
}

void TfTrayPopupWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    FormClose();
}

// WA_DeleteOnClose frees the form once the close completes.
void TfTrayPopupWindow::FormClose() {
    if (fTrayPopupWindow == this)
        fTrayPopupWindow = nullptr;
    if (OnClose)
        OnClose();
}

namespace {

// Takes the popup off the screen the way the rules say.
void LeaveScreen(TfTrayPopupWindow& popup, TPopupExit exit) {
    switch (exit) {
        case TPopupExit::AtOnce:
            popup.close();
            break;
        case TPopupExit::FadeOutThenClose:
            popup.StartFadeOut(true);
            break;
    }
}

}  // namespace

TfTrayPopupWindow* ShowTrayPopup(const TTrayPopupRequest& request) {
    if (fTrayPopupWindow)
        LeaveScreen(*fTrayPopupWindow, PopupExitFor(TPopupLeaving::Replaced, IsWinNT));
    auto* popup = new TfTrayPopupWindow(request.Owner);
    fTrayPopupWindow = popup;
    popup->SetOnPopupDblClick(request.DblClick);
    popup->GoAction = request.GoAction;
    popup->OnClose = request.Closed;
    popup->lbPopupCaption->setText(request.Text(request.Info.PopupCaption));
    popup->lbPopupText->setText(request.Text(request.Info.PopupText));
    popup->lbGoLabel->setText(request.Text(request.Info.GoText));
    popup->lbGoLabel->adjustSize();
    // The cross says nothing to someone who cannot see it.
    popup->imgClose->setAccessibleName(request.Text(std::string(texts::kClose)));
    popup->show();
    popup->ShowWithoutTaskbarButton();
    popup->MakeTopMost();
    popup->StartFadeIn();
    return popup;
}

void CloseTrayPopup() {
    if (fTrayPopupWindow)
        LeaveScreen(*fTrayPopupWindow, PopupExitFor(TPopupLeaving::Dismissed, IsWinNT));
}

void PopupDblClick(QObject* /*sender*/, const std::function<void()>& showMainWindow) {
    const TPopupDoubleClick plan = PopupDoubleClick(!fTrayPopupWindow.isNull(), IsWinNT);
    if (plan.Exit)
        LeaveScreen(*fTrayPopupWindow, *plan.Exit);
    if (plan.ShowMainWindow && showMainWindow)
        showMainWindow();
}

}  // namespace vantrel
