#pragma once
// Log-off and restart, asked of the desktop's session manager or of systemd-logind over D-Bus.

#include <memory>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

std::unique_ptr<Session> makeLinuxSession();

}  // namespace vintrel::platform::linux_host
