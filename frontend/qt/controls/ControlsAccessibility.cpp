#include "frontend/qt/controls/ControlsAccessibility.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/controls/SpecialFrame.h"
#include "frontend/qt/controls/TabedLabel.h"

namespace vantrel {
namespace {

// The bar reads as a progress bar with its range, and its value text is
// what the percent box shows (a percentage, or "Paused" while paused): the
// same words a sighted user reads on it.
class TLabelProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TLabelProgressBarAccessible(TLabelProgressBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return Bar()->PercentBoxShown() ? Bar()->PercentBoxText() : QString();
        if (t == QAccessible::Description && !Bar()->Text().isEmpty() &&
            Bar()->ViewOptions().testFlag(TLabelProgressBar::viewText))
            return Bar()->Text();
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return Bar()->Position(); }
    // The position follows the transfer; nobody else sets it.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Bar()->Max(); }
    QVariant minimumValue() const override { return Bar()->Min(); }
    QVariant minimumStepSize() const override { return 0; }

private:
    TLabelProgressBar* Bar() const { return static_cast<TLabelProgressBar*>(widget()); }
};

// A captioned text box: the caption on its tab names it, the body is what
// it says.
class TTabedLabelAccessible : public QAccessibleWidget {
public:
    explicit TTabedLabelAccessible(TTabedLabel* box)
        : QAccessibleWidget(box, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const auto* box = static_cast<const TTabedLabel*>(widget());
        switch (t) {
            case QAccessible::Name:
                return box->accessibleName().isEmpty() ? box->Caption() : box->accessibleName();
            case QAccessible::Value:
            case QAccessible::Description:
                return box->Text();
            default:
                return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface* ControlsFactory(const QString&, QObject* object) {
    if (auto* bar = qobject_cast<TLabelProgressBar*>(object))
        return new TLabelProgressBarAccessible(bar);
    if (auto* box = qobject_cast<TTabedLabel*>(object))
        return new TTabedLabelAccessible(box);
    // A panel that only groups what lies on it.
    if (auto* frame = qobject_cast<TSpecialFrame*>(object))
        return new QAccessibleWidget(frame, QAccessible::Pane);
    return nullptr;
}

}  // namespace

void NotifyProgressValueChanged(TLabelProgressBar* bar) {
    // Qt passes it on only where a bridge listens, as for QProgressBar.
    QAccessibleValueChangeEvent event(bar, bar->Position());
    QAccessible::updateAccessibility(&event);
}

void InstallControlsAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ControlsFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace vantrel
