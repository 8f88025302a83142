#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include "frontend/qt/controls/ControlColors.h"

namespace vantrel {
namespace {

TEST(ControlColors, RGBValuesAreBlueGreenRed) {
    EXPECT_EQ(ResolveColor(0xFFA9A5), QColor(165, 169, 255));
    EXPECT_EQ(ResolveColor(clMaroon), QColor(128, 0, 0));
    EXPECT_EQ(ResolveColor(clBlue), QColor(0, 0, 255));
}

TEST(ControlColors, SystemColorsFollowTheApplicationPalette) {
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    palette.setColor(QPalette::Base, QColor(40, 50, 60));
    palette.setColor(QPalette::Dark, QColor(70, 80, 90));
    QApplication::setPalette(palette);
    EXPECT_EQ(ResolveColor(clBtnFace), QColor(10, 20, 30));
    EXPECT_EQ(ResolveColor(clWindow), QColor(40, 50, 60));
    EXPECT_EQ(ColorToRGB(clBtnShadow), RGBToColor(70, 80, 90));
    QApplication::setPalette(saved);
}

}  // namespace
}  // namespace vantrel
