#include "platform/api/platform.h"

#include <cstdio>
#include <cstdlib>

namespace vintrel::platform {
namespace {
Platform* g_current = nullptr;
}

Platform& current() {
    if (g_current == nullptr) {
        std::fputs("vintrel: no platform installed\n", stderr);
        std::abort();
    }
    return *g_current;
}

bool installed() { return g_current != nullptr; }

ScopedPlatform::ScopedPlatform(std::unique_ptr<Platform> platform)
    : platform_(std::move(platform)), previous_(g_current) {
    g_current = platform_.get();
}

ScopedPlatform::~ScopedPlatform() { g_current = previous_; }

}  // namespace vintrel::platform
