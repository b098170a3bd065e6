#include "platform/api/platform.h"

#include <cstdio>
#include <cstdlib>

namespace vintrel::platform {
namespace {
Platform* g_current = nullptr;
unsigned long g_installation = 0;
}

Platform& current() {
    if (g_current == nullptr) {
        std::fputs("vintrel: no platform installed\n", stderr);
        std::abort();
    }
    return *g_current;
}

bool installed() { return g_current != nullptr; }

unsigned long installation() { return g_installation; }

ScopedPlatform::ScopedPlatform(std::unique_ptr<Platform> platform)
    : platform_(std::move(platform)), previous_(g_current) {
    g_current = platform_.get();
    ++g_installation;
}

ScopedPlatform::~ScopedPlatform() {
    g_current = previous_;
    ++g_installation;
}

}  // namespace vintrel::platform
