#include "forms/write_wait_loop.h"

#include <QApplication>
#include <QEvent>
#include <QThread>

namespace vintrel::forms {
namespace {

// How long a write waits before the cursor says so.
constexpr std::chrono::milliseconds kCursorAfter{300};

}  // namespace

void EventLoopWriteWaiter::waiting(std::chrono::milliseconds waited) {
    // Another thread's write only waits; the tries themselves sleep.
    if (QCoreApplication::instance() == nullptr ||
        QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    if (!waiting_) {
        QCoreApplication::instance()->installEventFilter(this);
        waiting_ = true;
    }
    if (waited >= kCursorAfter && !cursor_ && qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cursor_ = true;
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void EventLoopWriteWaiter::waited() {
    if (QCoreApplication::instance() == nullptr ||
        QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    if (waiting_) QCoreApplication::instance()->removeEventFilter(this);
    if (cursor_) QApplication::restoreOverrideCursor();
    waiting_ = cursor_ = false;
}

bool EventLoopWriteWaiter::eventFilter(QObject* watched, QEvent* event) {
    // A window closed now would end the handler that is writing: it stays open till then.
    if (event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vintrel::forms
