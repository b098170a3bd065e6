#pragma once
// The named controls of a window as JSON, for tests and bug reports (--dump-widgets).

#include <QByteArray>
#include <vector>

#include "forms/message_box.h"

namespace vintrel::forms {

class TForm;

// Every named widget, timer and menu item under `window`, the window first. Positions are
// relative to the parent's client area; the window itself gets its screen position as left and
// top, its outer height, and under "messages" the boxes it raised while it was built.
QByteArray dumpWidgets(const TForm* window, const std::vector<AskedMessage>& messages = {});

}  // namespace vintrel::forms
