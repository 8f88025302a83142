// The tray popup offscreen: its place on a screen without a panel, the fades
// driven by the real 10 ms timer, and the caller's side. The rules themselves
// (placement, fade steps, what closes it) are tested in tests/window/popup.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "core/iProcs.h"
#include "frontend/qt/dialogs/PopupWin.h"
#include "tests/frontend/qt/dialogs/DialogTestSupport.h"

namespace vantrel::test {
namespace {

TEST(PlaceNearTrayTest, AScreenWithoutInsetIsAFailedQueryAndTheCornerIsUsed) {
    // The offscreen screen has no panel: its available geometry is whole.
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->availableGeometry(), screen->geometry());
    EXPECT_FALSE(QueryTaskbar());
    EXPECT_FALSE(TfTrayPopupWindow::IsTaskbarAutoHide());
    // The designed client inside the popup's own frame of 3.
    TfTrayPopupWindow popup;
    const QSize outer(211 + 6, 122 + 6);
    EXPECT_EQ(popup.frameGeometry().size(), outer);
    EXPECT_EQ(popup.ClientArea->geometry(), QRect(3, 3, 211, 122));
    EXPECT_EQ(popup.pos(), QPoint(screen->geometry().width() - outer.width(),
                                  screen->geometry().height() - outer.height()));
}

class PopupTest : public ::testing::Test {
protected:
    void TearDown() override {
        CloseTrayPopup();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        IsWinNT = true;
    }

    TfTrayPopupWindow* Raise(const TPopupInfoRec& info = PopupNewVersionAvailable) {
        TTrayPopupRequest request;
        request.Info = info;
        request.Text = [](const std::string& text) {
            return QStringLiteral("[") + QString::fromStdString(text) + QStringLiteral("]");
        };
        request.GoAction = [this] {
            ++FGoActions;
            CloseTrayPopup();
        };
        request.DblClick = [this](QObject* sender) {
            FDblClickSender = sender;
            PopupDblClick(sender, [this] { FMainWindowShown = true; });
        };
        return ShowTrayPopup(request);
    }

    // Ticks of the popup's fade timer, counted as they fire.
    static std::shared_ptr<int> CountTicks(TfTrayPopupWindow* popup) {
        auto ticks = std::make_shared<int>(0);
        QObject::connect(popup->tmProcTimer, &QTimer::timeout, [ticks] { ++*ticks; });
        return ticks;
    }

    static bool Gone(const QPointer<TfTrayPopupWindow>& popup) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return popup.isNull();
    }

    int FGoActions = 0;
    QObject* FDblClickSender = nullptr;
    bool FMainWindowShown = false;
};

TEST_F(PopupTest, ShowTrayPopupFillsTheTextsAndStartsTransparent) {
    TfTrayPopupWindow* popup = Raise(PopupNewVersionDownloaded);
    EXPECT_EQ(fTrayPopupWindow, popup);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(popup->windowFlags().testFlags(Qt::Tool | Qt::FramelessWindowHint |
                                               Qt::WindowStaysOnTopHint));
    EXPECT_EQ(popup->lbPopupCaption->text(), QStringLiteral("[Ready to install new version!]"));
    EXPECT_EQ(popup->lbPopupText->text(),
              QStringLiteral("[[PROD_TITLE] version [PROD_VERSION] has been downloaded.]"));
    EXPECT_EQ(popup->lbGoLabel->text(), QStringLiteral("[Click here to install]"));
    EXPECT_EQ(popup->lbGoLabel->width(),
              QFontMetrics(popup->lbGoLabel->font()).horizontalAdvance(popup->lbGoLabel->text()));
    EXPECT_EQ(popup->AlphaBlendValue(), 0);
    EXPECT_EQ(popup->windowOpacity(), 0.0);
    EXPECT_TRUE(popup->tmProcTimer->isActive());
    EXPECT_EQ(popup->tmProcTimer->interval(), 10);
    for (const QLabel* label : popup->findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
}

TEST_F(PopupTest, TheTimerFadesTheWindowInToOpaqueThenOutAndClosesIt) {
    QPointer<TfTrayPopupWindow> popup = Raise();
    const auto ticks = CountTicks(popup);
    ASSERT_TRUE(WaitUntil([&] { return !popup->tmProcTimer->isActive(); }));
    EXPECT_EQ(popup->AlphaBlendValue(), 255);
    EXPECT_EQ(popup->windowOpacity(), 1.0);
    EXPECT_EQ(*ticks, 256);  // 255 raises, then the tick that stops

    popup->StartFadeOut(true);
    ASSERT_TRUE(WaitUntil([&] { return Gone(popup); }));
    EXPECT_TRUE(fTrayPopupWindow.isNull());
}

TEST_F(PopupTest, ANewPopupReplacesOneThatIsFadingInAndStartsFromZero) {
    QPointer<TfTrayPopupWindow> first = Raise();
    ASSERT_TRUE(WaitUntil([&] { return first->AlphaBlendValue() >= 5; }));
    TfTrayPopupWindow* second = Raise(PopupNewVersionDownloaded);
    EXPECT_TRUE(first.isNull() || !first->isVisible());  // gone at once, not faded
    EXPECT_EQ(fTrayPopupWindow, second);
    EXPECT_EQ(second->AlphaBlendValue(), 0);
    EXPECT_TRUE(Gone(first));
    ASSERT_TRUE(WaitUntil([&] { return second->AlphaBlendValue() >= 2; }));
    EXPECT_EQ(fTrayPopupWindow, second);
}

TEST_F(PopupTest, TheCloseIconDuringAFadeStopsEveryFurtherStep) {
    QPointer<TfTrayPopupWindow> popup = Raise();
    ASSERT_TRUE(WaitUntil([&] { return popup->AlphaBlendValue() >= 2; }));
    const auto ticks = CountTicks(popup);
    QTest::mouseClick(popup->imgClose, Qt::LeftButton);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(popup->tmProcTimer->isActive());
    EXPECT_TRUE(fTrayPopupWindow.isNull());
    const int before = *ticks;
    // An absence cannot be awaited: give a timer left running five ticks'
    // time to show itself before the form goes.
    QTest::qWait(50);
    EXPECT_EQ(*ticks, before);
    EXPECT_TRUE(Gone(popup));
}

TEST_F(PopupTest, ADoubleClickDuringTheFadeInShowsTheMainWindowAtOnceAndFadesOut) {
    QPointer<TfTrayPopupWindow> popup = Raise();
    ASSERT_TRUE(WaitUntil([&] { return popup->AlphaBlendValue() >= 8; }));
    QTest::mouseDClick(popup->lbPopupText, Qt::LeftButton);
    EXPECT_TRUE(FMainWindowShown);
    EXPECT_EQ(FDblClickSender, popup.data());
    const int reached = popup->AlphaBlendValue();
    EXPECT_GE(reached, 8);
    EXPECT_LT(reached, 255);
    ASSERT_TRUE(WaitUntil([&] { return popup.isNull() || popup->AlphaBlendValue() < reached; }));
    ASSERT_TRUE(WaitUntil([&] { return Gone(popup); }));
    EXPECT_TRUE(fTrayPopupWindow.isNull());
}

TEST_F(PopupTest, TheHeadingAndLogoDoubleClickTooButTheCloseIconDoesNot) {
    QPointer<TfTrayPopupWindow> popup = Raise();
    QTest::mouseDClick(popup->imgClose, Qt::LeftButton);
    EXPECT_FALSE(FMainWindowShown);
    popup = Raise();
    QTest::mouseDClick(popup->imgLogo, Qt::LeftButton);
    EXPECT_TRUE(FMainWindowShown);
    FMainWindowShown = false;
    popup = Raise();
    QTest::mouseDClick(popup->lbPopupCaption, Qt::LeftButton);
    EXPECT_TRUE(FMainWindowShown);
}

TEST_F(PopupTest, TheGoLinkRunsTheGoActionAndTheGoIconDoesNothing) {
    QPointer<TfTrayPopupWindow> popup = Raise();
    QTest::mouseClick(popup->imgGo, Qt::LeftButton);
    EXPECT_EQ(FGoActions, 0);
    EXPECT_EQ(fTrayPopupWindow, popup.data());
    QTest::mouseClick(popup->lbGoLabel, Qt::LeftButton);
    EXPECT_EQ(FGoActions, 1);
    EXPECT_TRUE(fTrayPopupWindow.isNull());
    EXPECT_TRUE(Gone(popup));
}

TEST_F(PopupTest, WithoutBlendingThePopupIsOpaqueAndADoubleClickClosesAtOnce) {
    IsWinNT = false;
    QPointer<TfTrayPopupWindow> popup = Raise();
    EXPECT_EQ(popup->AlphaBlendValue(), 255);
    EXPECT_FALSE(popup->AlphaBlend());
    EXPECT_FALSE(popup->tmProcTimer->isActive());
    popup->StartFadeOut(true);
    EXPECT_FALSE(popup->tmProcTimer->isActive());
    QTest::mouseDClick(popup->lbPopupText, Qt::LeftButton);
    EXPECT_TRUE(FMainWindowShown);
    EXPECT_TRUE(fTrayPopupWindow.isNull());
    EXPECT_TRUE(Gone(popup));
}

TEST_F(PopupTest, TheBackgroundRunsFromTheBlueTopToWhite) {
    TfTrayPopupWindow* popup = Raise();
    const QImage image = popup->grab().toImage();
    // A column right of the texts and below the close icon, in the client.
    const int f = TfTrayPopupWindow::kFrameWidth;
    EXPECT_EQ(image.pixelColor(f + 205, f), QColor(165, 169, 255));
    EXPECT_EQ(image.pixelColor(f + 205, f + 121), QColor(255, 255, 255));
    const QColor middle = image.pixelColor(f + 205, f + 60);
    EXPECT_GT(middle.red(), 165);
    EXPECT_LT(middle.red(), 255);
    EXPECT_EQ(middle.blue(), 255);
    // The logo frame's cut corner shows the gradient's top colour.
    EXPECT_EQ(image.pixelColor(f + 8, f + 8), QColor(165, 169, 255));
    // The frame is raised: lighter along the top than along the bottom, and
    // neither is the gradient.
    const QColor top = image.pixelColor(100, 1);
    const QColor bottom = image.pixelColor(100, image.height() - 2);
    EXPECT_GT(top.lightness(), bottom.lightness());
    EXPECT_NE(top, QColor(165, 169, 255));
    EXPECT_NE(bottom, QColor(255, 255, 255));
}

}  // namespace
}  // namespace vantrel::test
