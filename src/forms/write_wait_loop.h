#pragma once
// A registry write that waits for another program keeps the windows alive: between its tries
// the event loop runs (timers tick, windows repaint), while user input and requests to close
// a window wait until the write is done, and a wait cursor shows once it takes a moment.

#include <QObject>
#include <memory>

#include "platform/api/write_wait.h"

namespace vintrel::forms {

class EventLoopWriteWaiter final : public QObject, public platform::WriteWaiter {
    Q_OBJECT
public:
    void waiting(std::chrono::milliseconds waited) override;
    void waited() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool waiting_ = false;
    bool cursor_ = false;
};

// Installs an EventLoopWriteWaiter for its lifetime (a window whose handlers write).
class KeepAliveWhileWriting {
public:
    KeepAliveWhileWriting() : waiter_(std::make_unique<EventLoopWriteWaiter>()), scope_(*waiter_) {}

private:
    std::unique_ptr<EventLoopWriteWaiter> waiter_;
    platform::ScopedWriteWaiter scope_;
};

}  // namespace vintrel::forms
