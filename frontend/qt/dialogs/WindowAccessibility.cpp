#include "frontend/qt/dialogs/WindowAccessibility.h"

#include <QAccessibleWidget>

#include "frontend/qt/controls/ControlsAccessibility.h"
#include "frontend/qt/dialogs/ClickLabel.h"

namespace vantrel {
namespace {

// A click label with the pointing hand: a link when it has words (the
// popup's "Click here to download"), a button when it is a picture that the
// window has named (the globe, the popup's close cross). Either one can be
// pressed from a screen reader as with the mouse. A picture nobody named
// has no action behind it (the popup's go arrow) and reads as a picture.
class TClickLabelAccessible : public QAccessibleWidget {
public:
    explicit TClickLabelAccessible(TClickLabel* label) : QAccessibleWidget(label) {}

    // Asked each time: the main window's command label gets its words only
    // when a state is shown.
    QAccessible::Role role() const override {
        if (!Label()->text().isEmpty())
            return QAccessible::Link;
        return Label()->accessibleName().isEmpty() ? QAccessible::Graphic : QAccessible::Button;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && Label()->accessibleName().isEmpty())
            return Label()->text();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (role() != QAccessible::Graphic)
            names << pressAction();
        return names;
    }

    void doAction(const QString& action) override {
        if (action == pressAction() && role() != QAccessible::Graphic && Label()->isEnabled())
            emit Label()->clicked();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    TClickLabel* Label() const { return static_cast<TClickLabel*>(widget()); }
};

QAccessibleInterface* ClickLabelFactory(const QString&, QObject* object) {
    auto* label = qobject_cast<TClickLabel*>(object);
    // A label that only double-clicks (the popup's texts) reads as the
    // plain label it looks like. The cursor is set once, when the window is
    // made, so the choice holds for the label's life (Qt keeps the answer).
    if (label == nullptr || label->cursor().shape() != Qt::PointingHandCursor)
        return nullptr;
    return new TClickLabelAccessible(label);
}

}  // namespace

void InstallWindowAccessibility() {
    InstallControlsAccessibility();
    static const bool installed = [] {
        QAccessible::installFactory(ClickLabelFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace vantrel
