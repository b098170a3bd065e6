#pragma once
// The live keys of this machine, as the Linux provider's registry answers them: the
// CurrentVersion values, the hardware values and the installed programs' Uninstall key.
// The program and vintrel-reg both take them from here, so the tool shows what the program
// reads.

#include <memory>

#include "platform/linux/hw_facts.h"
#include "platform/linux/linux_platform.h"
#include "platform/registry/live_keys.h"

namespace vintrel::platform::linux_host {

// `hardware` sets how the hardware values are gathered; the program gives it Qt's primary
// screen (qtPrimaryScreen), for the colour depth and the monitor that only the windowing
// system names. Without one, those values are absent.
std::shared_ptr<registry::LiveKeys> makeLinuxLiveKeys(const LinuxEnvironment& environment,
                                                      HardwareFactsOptions hardware = {});

}  // namespace vintrel::platform::linux_host
