#pragma once
// The real provider: every platform group answered from the Linux machine it runs on.

#include <memory>
#include <string>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

// Where the provider reads the system from; tests point these at fixtures.
struct LinuxEnvironment {
    std::string root;  // per-user root (VINTREL_ROOT), UTF-8 host path
    std::string procRoot = "/proc";
    std::string sysRoot = "/sys";
    std::string etcRoot = "/etc";
    std::string devRoot = "/dev";
    std::string runRoot = "/run";
};

// The per-user root: VINTREL_ROOT, else $XDG_DATA_HOME/vintrel, else ~/.local/share/vintrel.
std::string defaultRoot();

std::unique_ptr<Platform> makeLinuxPlatform(const LinuxEnvironment& environment);

// What the user is to be told once at start-up about the registry (UTF-8), or empty text:
// no database could be read, so stored settings are not in use for this run.
std::string registryNotice(const Platform& platform);

}  // namespace vintrel::platform::linux_host
