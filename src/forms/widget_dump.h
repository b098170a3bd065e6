#pragma once
// The named controls of a window as JSON, for tests and bug reports (--dump-widgets).

#include <QByteArray>

class QWidget;

namespace vintrel::forms {

// Every named widget, timer and menu item under `window`, the window first. Positions are
// relative to the parent's client area; the window itself gets its screen position as left and
// top and, when it has one, its outer height.
QByteArray dumpWidgets(QWidget* window, int outerHeight);

}  // namespace vintrel::forms
