// A label that reports clicks and double-clicks, for the links and icons of
// the dialogs (QLabel itself has no click signal).
#pragma once

#include <QLabel>

namespace vantrel {

class TClickLabel : public QLabel {
    Q_OBJECT

public:
    explicit TClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();
    void doubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace vantrel
