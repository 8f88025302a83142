#include "frontend/qt/controller/ScrollBox.h"

#include <QEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace vantrel {
namespace {

void PaintWhite(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

}  // namespace

TScrollSteps ScrollStepsForHeight(int height) {
    TScrollSteps steps;
    steps.Page = std::max(0, height) * 9 / 10;
    steps.Line = steps.Page / 10;
    return steps;
}

TScrollBox::TScrollBox(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setViewportMargins(InnerSpacing, InnerSpacing, InnerSpacing, InnerSpacing);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setTracking(true);
    PaintWhite(*this);
    PaintWhite(*viewport());

    // The elements keep the positions they are given, so the content is not
    // resized by the area; its width follows the viewport, its height the
    // elements.
    setWidgetResizable(false);
    FContent = new QWidget;
    FContent->setObjectName(QStringLiteral("ScrollBoxContent"));
    PaintWhite(*FContent);
    FContent->installEventFilter(this);
    setWidget(FContent);
    FitContentWidth();
    UpdateContentHeight();
    ApplySteps();
}

void TScrollBox::UpdateContentHeight() {
    int lowest = 0;
    for (QObject* child : FContent->children()) {
        auto* element = qobject_cast<QWidget*>(child);
        if (element && element->isVisibleTo(FContent))
            lowest = std::max(lowest, element->geometry().bottom() + 1);
    }
    const int wanted = lowest > 0 ? lowest + ContentMargin : 0;
    if (FContent->height() != wanted)
        FContent->resize(FContent->width(), wanted);
}

QRect TScrollBox::ClientRect() const {
    const QScrollBar* bar = verticalScrollBar();
    const int barWidth = bar->isVisible() ? bar->width() : 0;
    return QRect(0, 0, std::max(0, width() - barWidth), height());
}

bool TScrollBox::ScrollBoxMouseWheel(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons,
                                     int delta, QPoint globalPos) {
    const QPoint local = mapFromGlobal(globalPos);
    if (!ClientRect().contains(local) || modifiers != Qt::NoModifier || buttons != Qt::NoButton)
        return false;
    QScrollBar* bar = verticalScrollBar();
    // setValue keeps the position within the bar's range.
    bar->setValue(delta < 0 ? bar->value() + LineStep() : bar->value() - LineStep());
    return true;
}

void TScrollBox::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    FitContentWidth();
    ApplySteps();
}

void TScrollBox::wheelEvent(QWheelEvent* event) {
    // A notification without vertical turn (a touchpad's start or end of a
    // gesture, a horizontal wheel) is not a turn towards the top: it moves
    // nothing.
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const bool handled = ScrollBoxMouseWheel(event->modifiers(), event->buttons(), delta,
                                             event->globalPosition().toPoint());
    // Unhandled wheel turns go to the window rather than to the scroll bar,
    // so that a turn with Ctrl held does not page through the panel.
    event->setAccepted(handled);
}

bool TScrollBox::eventFilter(QObject* watched, QEvent* event) {
    const bool result = QScrollArea::eventFilter(watched, event);
    if (watched == FContent) {
        switch (event->type()) {
            case QEvent::ChildAdded:
                if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                    child->installEventFilter(this);
                UpdateContentHeight();
                break;
            case QEvent::ChildRemoved:
                UpdateContentHeight();
                break;
            case QEvent::Resize:
                // The area recomputes the bar from the content's size and
                // resets its steps while doing so.
                ApplySteps();
                break;
            default:
                break;
        }
    } else if (watched->parent() == FContent) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
                UpdateContentHeight();
                break;
            default:
                break;
        }
    }
    return result;
}

void TScrollBox::ApplySteps() {
    QScrollBar* bar = verticalScrollBar();
    const TScrollSteps steps = ScrollStepsForHeight(height());
    bar->setPageStep(steps.Page);
    bar->setSingleStep(steps.Line);
}

void TScrollBox::FitContentWidth() {
    const int width = viewport()->width();
    if (FContent->width() != width)
        FContent->resize(width, FContent->height());
}

}  // namespace vantrel
