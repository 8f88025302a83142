#include <gtest/gtest.h>

#include <QEvent>
#include <QSignalSpy>
#include <QTest>

#include "RenderWidget.h"
#include "frontend/qt/controls/SpecialFrame.h"

namespace vantrel {
namespace {

using test::Paints;
using test::Pixel;
using test::Render;

constexpr TColor kFrame = 0xFFBCBC;

// Counts the paints a widget receives, to tell an immediate repaint from none.
class TPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

TEST(SpecialFrame, Defaults) {
    TSpecialFrame frame;
    EXPECT_EQ(frame.size(), QSize(200, 100));
    EXPECT_EQ(frame.Color(), clWindow);
    EXPECT_EQ(frame.FillColor(), clWindow);
    EXPECT_EQ(frame.FrameColor(), clBtnShadow);
    EXPECT_FALSE(frame.TabStyle());
    EXPECT_EQ(frame.Corners()->TopLeft(), csRect);
    EXPECT_EQ(frame.Corners()->BottomRight(), csRect);
    EXPECT_EQ(frame.Corners()->parent(), &frame);
    // The property system sees the names the forms use.
    EXPECT_TRUE(frame.setProperty("FillColor", uint(clWhite)));
    EXPECT_EQ(frame.FillColor(), clWhite);
}

TEST(SpecialFrame, SquareCornersGiveAPlainRectangle) {
    TSpecialFrame frame;
    frame.resize(30, 20);
    frame.SetColor(clBtnFace);
    frame.SetFillColor(clWhite);
    frame.SetFrameColor(kFrame);
    EXPECT_EQ(frame.Outline(30, 20).size(), 4u);
    const QImage image = Render(frame);
    for (int x = 0; x < 30; ++x) {
        EXPECT_EQ(Pixel(image, x, 0), Paints(kFrame)) << x;
        EXPECT_EQ(Pixel(image, x, 19), Paints(kFrame)) << x;
    }
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(Pixel(image, 0, y), Paints(kFrame)) << y;
        EXPECT_EQ(Pixel(image, 29, y), Paints(kFrame)) << y;
    }
    for (int y = 1; y < 19; ++y)
        for (int x = 1; x < 29; ++x)
            ASSERT_EQ(Pixel(image, x, y), Paints(clWhite)) << x << "," << y;
}

TEST(SpecialFrame, RoundCornersOf36By36) {
    TSpecialFrame frame;
    frame.resize(36, 36);
    frame.SetColor(clBtnFace);
    frame.SetFillColor(clWhite);
    frame.SetFrameColor(kFrame);
    frame.Corners()->SetAll(csRound);
    EXPECT_EQ(frame.Outline(36, 36).size(), 8u);
    const QImage image = Render(frame);
    const QColor back = Paints(clBtnFace);
    const QColor line = Paints(kFrame);
    const QColor fill = Paints(clWhite);
    // Each corner: three background pixels outside the diagonal, three on it.
    struct TCorner {
        int X, Y, Dx, Dy;
    };
    for (const TCorner c : {TCorner{0, 0, 1, 1}, TCorner{35, 0, -1, 1}, TCorner{0, 35, 1, -1},
                            TCorner{35, 35, -1, -1}}) {
        auto at = [&](int i, int j) { return Pixel(image, c.X + c.Dx * i, c.Y + c.Dy * j); };
        EXPECT_EQ(at(0, 0), back) << c.X << "," << c.Y;
        EXPECT_EQ(at(1, 0), back) << c.X << "," << c.Y;
        EXPECT_EQ(at(0, 1), back) << c.X << "," << c.Y;
        EXPECT_EQ(at(0, 2), line) << c.X << "," << c.Y;
        EXPECT_EQ(at(1, 1), line) << c.X << "," << c.Y;
        EXPECT_EQ(at(2, 0), line) << c.X << "," << c.Y;
        EXPECT_EQ(at(3, 0), line) << c.X << "," << c.Y;
        EXPECT_EQ(at(1, 2), fill) << c.X << "," << c.Y;
        EXPECT_EQ(at(2, 1), fill) << c.X << "," << c.Y;
    }
    EXPECT_EQ(Pixel(image, 18, 0), line);
    EXPECT_EQ(Pixel(image, 35, 18), line);
    EXPECT_EQ(Pixel(image, 18, 18), fill);
}

TEST(SpecialFrame, MixedCorners) {
    TSpecialFrame frame;
    frame.resize(20, 20);
    frame.SetColor(clBlack);
    frame.SetFillColor(clWhite);
    frame.SetFrameColor(kFrame);
    frame.Corners()->SetTopRight(csRound);
    EXPECT_EQ(frame.Outline(20, 20).size(), 5u);
    const QImage image = Render(frame);
    EXPECT_EQ(Pixel(image, 0, 0), Paints(kFrame));
    EXPECT_EQ(Pixel(image, 19, 0), Paints(clBlack));
    EXPECT_EQ(Pixel(image, 18, 1), Paints(kFrame));
    EXPECT_EQ(Pixel(image, 19, 19), Paints(kFrame));
}

TEST(SpecialFrame, ColoursRepaintAtOnceCornersAndTabStyleWait) {
    TSpecialFrame frame;
    TPaintCounter counter;
    frame.installEventFilter(&counter);
    QSignalSpy changes(frame.Corners(), &TFrameCorners::OnChange);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QCoreApplication::processEvents();
    const int before = counter.Paints;
    frame.SetFillColor(clWhite);
    EXPECT_EQ(counter.Paints, before + 1);
    frame.SetFrameColor(kFrame);
    EXPECT_EQ(counter.Paints, before + 2);
    frame.Corners()->SetBottomLeft(csRound);
    frame.SetTabStyle(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.Paints, before + 2);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].value<QObject*>(), frame.Corners());
}

TEST(SpecialFrame, TabStyleDrawsTheStylePaneFilledWithColor) {
    TSpecialFrame frame;
    frame.resize(60, 40);
    frame.SetColor(clWhite);
    frame.SetFrameColor(kFrame);
    frame.SetTabStyle(true);
    const QImage image = Render(frame);
    EXPECT_EQ(Pixel(image, 30, 20), Paints(clWhite));
    EXPECT_NE(Pixel(image, 30, 0), Paints(kFrame));  // not the ordinary frame
}

TEST(SpecialFrame, AnUnknownColourLeavesOnlyThatPartUndrawn) {
    TSpecialFrame frame;
    frame.resize(20, 20);
    frame.SetColor(0x7F000000);
    frame.SetFillColor(clWhite);
    frame.SetFrameColor(kFrame);
    frame.Corners()->SetAll(csRound);
    const QImage image = Render(frame);                  // must not throw out of the paint
    EXPECT_EQ(Pixel(image, 0, 0), QColor(255, 0, 255));  // background undrawn
    EXPECT_EQ(Pixel(image, 1, 1), Paints(kFrame));
    EXPECT_EQ(Pixel(image, 10, 10), Paints(clWhite));
}

}  // namespace
}  // namespace vantrel
