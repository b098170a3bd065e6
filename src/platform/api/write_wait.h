#pragma once
// Waiting for the registry. A registry write does not fail because another program is writing:
// it waits until it can go ahead, trying again every few tens of milliseconds. Between tries it
// calls the waiter installed here, through which a window keeps its event loop running (its
// timers tick, it repaints); without one the thread only sleeps between tries.

#include <chrono>

namespace vintrel::platform {

class WriteWaiter {
public:
    virtual ~WriteWaiter() = default;
    // Called between tries, `waited` since the first; returns within a few tens of
    // milliseconds. It may read the registry, on this thread or others.
    virtual void waiting(std::chrono::milliseconds waited) = 0;
    // The write that waited goes ahead (or failed for another reason).
    virtual void waited() = 0;
};

// The installed waiter, or null.
WriteWaiter* writeWaiter();

// Installs a waiter for the lifetime of the guard and puts the previous one back.
class ScopedWriteWaiter {
public:
    explicit ScopedWriteWaiter(WriteWaiter& waiter);
    ~ScopedWriteWaiter();
    ScopedWriteWaiter(const ScopedWriteWaiter&) = delete;
    ScopedWriteWaiter& operator=(const ScopedWriteWaiter&) = delete;

private:
    WriteWaiter* previous_;
};

}  // namespace vintrel::platform
