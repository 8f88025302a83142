// The white, vertically scrolling panel that holds the information sections.
// Its elements are placed by hand (left and top in the content's
// coordinates), so the content is a plain widget that grows to hold them; the
// scroll steps and the wheel follow the program's own rules rather than Qt's.
#pragma once

#include <QPoint>
#include <QScrollArea>

namespace vantrel {

// The vertical scroll bar's steps for a panel `height` pixels high.
struct TScrollSteps {
    int Page = 0;
    int Line = 0;
    bool operator==(const TScrollSteps&) const = default;
};
TScrollSteps ScrollStepsForHeight(int height);

class TScrollBox : public QScrollArea {
    Q_OBJECT

public:
    // Space left below the lowest element, so that it does not touch the
    // panel's bottom edge when scrolled to the end.
    static constexpr int ContentMargin = 10;
    // Inner spacing between the panel's edge and its content, on each side.
    static constexpr int InnerSpacing = 2;

    explicit TScrollBox(QWidget* parent = nullptr);

    // The owner and parent of the panel's elements.
    QWidget* Content() const { return FContent; }

    // Makes the content tall enough for its lowest element + ContentMargin.
    // Runs by itself whenever an element is added, moved or resized.
    void UpdateContentHeight();

    // The steps for the panel's current height. The scroll bar takes them
    // on every resize (a hidden panel gets its resize when it is shown).
    int LineStep() const { return ScrollStepsForHeight(height()).Line; }
    int PageStep() const { return ScrollStepsForHeight(height()).Page; }

    // The wheel rule: inside the panel's client rectangle, with no modifier
    // key and no mouse button held, one notification moves one line step
    // (down for a negative delta, up otherwise) and is handled. Anything else
    // is left unhandled for the default handling.
    bool ScrollBoxMouseWheel(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, int delta,
                             QPoint globalPos);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplySteps();
    void FitContentWidth();
    QRect ClientRect() const;

    QWidget* FContent = nullptr;
};

}  // namespace vantrel
