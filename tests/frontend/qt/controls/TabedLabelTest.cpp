#include <gtest/gtest.h>

#include <QFontMetrics>

#include "RenderWidget.h"
#include "frontend/qt/controls/TabedLabel.h"

namespace vantrel {
namespace {

using test::Paints;
using test::Pixel;
using test::Render;

constexpr TColor kBorder = 0xB99D7F;

int CaptionHeight(const TTabedLabel& label) {
    return QFontMetrics(label.Font()).height();
}

int WrappedHeight(const QFont& font, int width, const QString& text) {
    return QFontMetrics(font)
        .boundingRect(QRect(0, 0, width, 0), Qt::AlignLeft | Qt::TextWordWrap, text)
        .height();
}

// A box on button face with a white body, so that each part is told apart.
void Paintable(TTabedLabel& label, int w, int h) {
    label.resize(w, h);
    label.SetColor(clBtnFace);
    label.SetFillColor(clWhite);
    label.SetGradientColor(clWhite);
    label.SetShadowColor(clBlack);
    label.SetText(QString());
    label.SetCaption(QStringLiteral("Info"));
}

TEST(TabedLabel, Defaults) {
    TTabedLabel label;
    EXPECT_EQ(label.width(), 200);
    EXPECT_EQ(label.Caption(), "Caption here");
    EXPECT_EQ(label.Text(), "Description here...");
    EXPECT_EQ(label.GradientColor(), RGBToColor(193, 208, 221));
    EXPECT_EQ(label.BorderColor(), RGBToColor(127, 157, 185));
    EXPECT_EQ(label.ShadowColor(), clBtnShadow);
    EXPECT_EQ(label.Color(), clWindow);
    EXPECT_FALSE(label.Shadow());
    EXPECT_FALSE(label.Autosize());
    EXPECT_TRUE(label.Font().bold());
    EXPECT_FALSE(label.TextFont().bold());
    EXPECT_EQ(label.TextFont().family(), label.Font().family());
    EXPECT_EQ(label.height(), label.CalcHeight());
    EXPECT_TRUE(label.setProperty("Caption", QStringLiteral("What's new")));
    EXPECT_EQ(label.Caption(), "What's new");
}

TEST(TabedLabel, HeightFollowsCaptionAndWrappedText) {
    TTabedLabel label;
    label.resize(150, 10);
    const QString text = QStringLiteral(
        "Faster scanning of large mailboxes, a new rule editor and fewer false alarms.");
    label.SetText(text);
    const int ch = CaptionHeight(label);
    const int th = WrappedHeight(label.TextFont(), 150 - 14, text);
    ASSERT_GT(th, QFontMetrics(label.TextFont()).height());  // really wraps
    EXPECT_EQ(label.CalcHeight(), ch + th + 19);
    EXPECT_EQ(label.height(), 10);  // Autosize off
    label.SetAutosize(true);
    EXPECT_EQ(label.height(), ch + th + 19);

    // An empty text still takes one line.
    label.SetText(QString());
    EXPECT_EQ(label.height(), ch + QFontMetrics(label.TextFont()).height() + 19);
    EXPECT_GT(label.height(), ch + 19);
}

TEST(TabedLabel, FontChangesRefitColourChangesDoNot) {
    TTabedLabel label;
    label.SetAutosize(true);
    const int before = label.height();
    QFont big = label.TextFont();
    big.setPixelSize(30);
    label.SetTextFont(big);
    const int bigger = label.height();
    EXPECT_GT(bigger, before);
    EXPECT_EQ(bigger, label.CalcHeight());
    label.SetFillColor(clBlack);
    label.SetShadow(true);
    EXPECT_EQ(label.height(), bigger);
    // Switching Autosize off keeps the height the box has.
    label.SetAutosize(false);
    EXPECT_EQ(label.height(), bigger);
    label.SetText(QStringLiteral("a\nb\nc\nd"));
    EXPECT_EQ(label.height(), bigger);
}

TEST(TabedLabel, TwelvePointOutline) {
    TTabedLabel label;
    Paintable(label, 120, 60);
    const int tw = QFontMetrics(label.Font()).horizontalAdvance("Info") + 12;
    const int hy = 3 + CaptionHeight(label);
    ASSERT_LT(tw, 120 - 21);
    EXPECT_EQ(label.TabWidth(120), tw);
    const QImage image = Render(label);
    const QColor back = Paints(clBtnFace);
    const QColor line = Paints(kBorder);
    const QColor fill = Paints(clWhite);
    // The tab's cut top corners and its right side.
    EXPECT_EQ(Pixel(image, 0, 0), back);
    EXPECT_EQ(Pixel(image, 1, 0), back);
    EXPECT_EQ(Pixel(image, 1, 1), line);
    EXPECT_EQ(Pixel(image, 2, 0), line);
    EXPECT_EQ(Pixel(image, tw - 2, 0), line);
    EXPECT_EQ(Pixel(image, tw - 1, 0), back);
    EXPECT_EQ(Pixel(image, tw, 2), line);
    EXPECT_EQ(Pixel(image, tw, hy), line);
    EXPECT_EQ(Pixel(image, tw + 1, hy), back);
    EXPECT_EQ(Pixel(image, tw + 1, hy + 1), line);
    EXPECT_EQ(Pixel(image, tw - 1, hy), fill);
    // The body's top edge, its cut top-right corner, its right and bottom.
    EXPECT_EQ(Pixel(image, tw + 2, hy + 2), line);
    EXPECT_EQ(Pixel(image, 117, hy + 2), line);
    EXPECT_EQ(Pixel(image, 118, hy + 2), back);
    EXPECT_EQ(Pixel(image, 118, hy + 3), line);
    EXPECT_EQ(Pixel(image, 119, hy + 4), line);
    EXPECT_EQ(Pixel(image, 119, hy + 3), back);
    EXPECT_EQ(Pixel(image, 119, 57), line);
    EXPECT_EQ(Pixel(image, 119, 58), back);
    EXPECT_EQ(Pixel(image, 60, 59), line);
    EXPECT_EQ(Pixel(image, 0, 59), back);
    EXPECT_EQ(Pixel(image, 0, 57), line);
    EXPECT_EQ(Pixel(image, 60, hy + 3), fill);
    EXPECT_EQ(Pixel(image, 118, 40), fill);
}

TEST(TabedLabel, GradientsInTheTabAndAlongTheBottom) {
    TTabedLabel label;
    Paintable(label, 120, 60);
    label.SetGradientColor(clBlack);
    const int ch = CaptionHeight(label);
    const QImage image = Render(label);
    // Tab: black at the top row, the fill colour at its last row ch + 2.
    EXPECT_EQ(Pixel(image, 3, 1), QColor(Qt::black));
    EXPECT_EQ(Pixel(image, 3, ch + 2), QColor(Qt::white));
    // Bottom: from the fill colour down to black at the row above the edge.
    EXPECT_EQ(Pixel(image, 60, 60 - 3 - ch / 2), QColor(Qt::white));
    EXPECT_EQ(Pixel(image, 60, 58), QColor(Qt::black));
    EXPECT_EQ(Pixel(image, 60, 59), Paints(kBorder));  // outline drawn again on top
}

TEST(TabedLabel, ShadowMovesTheOutlineInByOnePixel) {
    TTabedLabel label;
    Paintable(label, 120, 60);
    const int hy = 3 + CaptionHeight(label);
    const QImage plain = Render(label);
    label.SetShadow(true);
    const QImage shadowed = Render(label);
    const QColor line = Paints(kBorder);
    const QColor shadow = Paints(clBlack);
    const QColor back = Paints(clBtnFace);
    EXPECT_EQ(Pixel(plain, 119, 40), line);
    EXPECT_EQ(Pixel(plain, 60, 59), line);
    EXPECT_EQ(Pixel(shadowed, 118, 40), line);
    EXPECT_EQ(Pixel(shadowed, 60, 58), line);
    EXPECT_EQ(Pixel(shadowed, 119, 40), shadow);
    EXPECT_EQ(Pixel(shadowed, 60, 59), shadow);
    // The cut bottom-right corner of the shadow.
    EXPECT_EQ(Pixel(shadowed, 118, 57), shadow);
    EXPECT_EQ(Pixel(shadowed, 119, 58), back);
    // Its ends fade in from the background over 5 pixels.
    EXPECT_EQ(Pixel(shadowed, 2, 59), back);
    EXPECT_EQ(Pixel(shadowed, 6, 59), shadow);
    const QColor midway = Pixel(shadowed, 4, 59);
    EXPECT_LT(midway.red(), back.red());
    EXPECT_GT(midway.red(), 0);
    EXPECT_EQ(Pixel(shadowed, 119, hy + 4), back);
    EXPECT_EQ(Pixel(shadowed, 119, hy + 8), shadow);
    // The tab's right side casts a shadow too.
    const int tw = label.TabWidth(120);
    EXPECT_EQ(Pixel(shadowed, tw + 1, hy - 1), shadow);
    EXPECT_EQ(Pixel(plain, tw + 1, hy - 1), back);
}

TEST(TabedLabel, LongCaptionLimitsTheTabAndEndsInAnEllipsis) {
    const QString caption =
        QStringLiteral("A caption that is far too long for the tab of this box");
    TTabedLabel longOne;
    Paintable(longOne, 160, 60);
    longOne.SetCaption(caption);
    const QFontMetrics metrics(longOne.Font());
    ASSERT_GT(metrics.horizontalAdvance(caption) + 12, 160 - 21);
    const int tw = 160 - 21;
    EXPECT_EQ(longOne.TabWidth(160), tw);
    const int hy = 3 + metrics.height();
    const QImage image = Render(longOne);
    for (int y = 2; y <= hy; ++y)
        EXPECT_EQ(Pixel(image, tw, y), Paints(kBorder)) << y;
    // The caption stops before the tab's edge ...
    for (int y = 3; y < hy + 2; ++y)
        for (int x = tw - 3; x < tw; ++x)
            EXPECT_EQ(Pixel(image, x, y).red(), 255) << x << "," << y;
    // ... and reads as the shortened caption with an ellipsis does.
    const QString shortened = metrics.elidedText(caption, Qt::ElideRight, tw - 9);
    ASSERT_TRUE(shortened.endsWith(QChar(0x2026)));
    TTabedLabel reference;
    Paintable(reference, 160, 60);
    reference.SetCaption(shortened);
    const QImage expected = Render(reference);
    const int common = std::min(tw, reference.TabWidth(160)) - 3;
    for (int y = 3; y < hy + 2; ++y)
        for (int x = 6; x < common; ++x)
            ASSERT_EQ(Pixel(image, x, y), Pixel(expected, x, y)) << x << "," << y;
}

TEST(TabedLabel, TooNarrowABoxPaintsWithoutThrowing) {
    TTabedLabel label;
    Paintable(label, 12, 40);
    QImage image;
    EXPECT_NO_THROW(image = Render(label));
    EXPECT_EQ(Pixel(image, 11, 0), Paints(clBtnFace));
}

}  // namespace
}  // namespace vantrel
