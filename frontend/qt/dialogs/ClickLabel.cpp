#include "frontend/qt/dialogs/ClickLabel.h"

#include <QMouseEvent>

namespace vantrel {

TClickLabel::TClickLabel(QWidget* parent) : QLabel(parent) {
    // Texts come from the server and the dictionary: never read as markup.
    setTextFormat(Qt::PlainText);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

}  // namespace vantrel
