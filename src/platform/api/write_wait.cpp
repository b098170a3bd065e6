#include "platform/api/write_wait.h"

#include <atomic>

namespace vintrel::platform {
namespace {
std::atomic<WriteWaiter*> g_waiter{nullptr};
}

WriteWaiter* writeWaiter() {
    return g_waiter.load();
}

ScopedWriteWaiter::ScopedWriteWaiter(WriteWaiter& waiter) : previous_(g_waiter.exchange(&waiter)) {}

ScopedWriteWaiter::~ScopedWriteWaiter() {
    g_waiter.store(previous_);
}

}  // namespace vintrel::platform
