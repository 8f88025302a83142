// Hints that only the X11 window manager and its panels read: Qt has no
// setting for them. On any other platform the calls do nothing.
#pragma once

class QWidget;

namespace vantrel {

// Keeps `window` out of the taskbar and the pager. Safe before and after the
// window is shown.
void SkipTaskbarAndPager(QWidget& window);

}  // namespace vantrel
