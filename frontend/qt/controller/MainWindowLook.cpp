#include "frontend/qt/controller/MainWindowLook.h"

#include <QFont>
#include <QStyledItemDelegate>

namespace vantrel {
namespace {

QFont TahomaPixels(int pixels, bool bold) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

class TFixedHeightDelegate : public QStyledItemDelegate {
public:
    TFixedHeightDelegate(int height, QObject* parent)
        : QStyledItemDelegate(parent), FHeight(height) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), FHeight};
    }

private:
    int FHeight;
};

}  // namespace

void SetItemHeight(QComboBox& list, int pixels) {
    list.setItemDelegate(new TFixedHeightDelegate(pixels, &list));
}

void LookOfMainWindowBar(TLabelProgressBar& bar) {
    using B = TLabelProgressBar;
    bar.BeginLoading();
    bar.resize(429, 23);
    bar.SetColor(clWhite);
    bar.SetFillColor(clWhite);
    bar.SetViewOptions({});
    bar.SetText(QString());
    bar.SetInfo(QStringLiteral("Time remaining:"));
    bar.SetInfoType(B::infStatic);
    bar.SetTextFont(TahomaPixels(11, false));
    bar.SetInfoFont(TahomaPixels(11, false));
    bar.SetMax(100);
    bar.SetMin(0);
    bar.SetPosition(0);
    bar.SetSmooth(true);
    bar.SetSegmentWidth(12);
    bar.SetSegmentSpace(2);
    bar.SetSegmentShadow(true);
    bar.SetBorder(B::brFlatBoldRounded);
    bar.SetFlatColor(clBtnShadow);
    bar.SetFlatLightColorAdjustment(60);
    bar.SetFlatDarkColorAdjustment(20);
    bar.SetPercentView(B::percentFloat);
    bar.SetPercentType(B::showPercent);
    bar.SetPercentColor(0x81FEE1);
    bar.SetPercentVisibility(B::TLPBPercentBoundVisibilitySet(B::bvInside) | B::bvMaxVisible);
    bar.SetPercentFont(TahomaPixels(11, true));
    bar.SetAnimationMode(false);
    bar.SetAnimationDelay(200);
    bar.SetBarHeightData(QByteArray("\x17\x00\x00\x00", 4));
    bar.SetSegmentGradient(
        {{0x9BCDFF, 0x0080FF, 7}, {0x0080FF, 0x0080FF, 1}, {0x0080FF, 0x00152A, 7}});
    bar.EndLoading();
}

void LookOfWhiteCard(TSpecialFrame& frame) {
    frame.resize(460, 133);
    frame.SetColor(clBtnFace);
    frame.SetFillColor(clWhite);
    frame.Corners()->SetAll(csRound);
}

void LookOfLogoFrame(TSpecialFrame& frame) {
    frame.setGeometry(20, 13, 70, 71);
    frame.SetColor(clWhite);
    frame.SetFrameColor(0xFFBCBC);
    frame.Corners()->SetAll(csRound);
}

void LookOfSectionBox(TTabedLabel& label) {
    label.resize(420, label.height());
    label.SetShadow(true);
    label.SetGradientColor(0xDFDFDF);
    label.SetShadowColor(clBtnFace);
    label.SetAutosize(true);
}

}  // namespace vantrel
