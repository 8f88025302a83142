// What assistive technology learns of the drawn controls. They paint
// everything themselves, so without these interfaces a screen reader finds
// only nameless widgets: not how far a download is, nor what a box says.
#pragma once

namespace vantrel {

// Installs the accessibility factory for the drawn controls (the label
// progress bar, the tabbed label and the rounded frame panel). Idempotent;
// to be called before the first window is shown.
void InstallControlsAccessibility();

class TLabelProgressBar;

// Tells a listening screen reader that the bar's value or its text changed,
// so that a running download is announced without the user asking.
void NotifyProgressValueChanged(TLabelProgressBar* bar);

}  // namespace vantrel
