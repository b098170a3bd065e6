#pragma once
// Log-off and restart, asked of the running desktop's session manager over D-Bus, as its own
// menu asks, so that programs can save their work or refuse. A restart falls back to
// systemd-logind's Reboot (interactive: polkit may ask) last. logind's Session.Terminate,
// which kills the session's programs without asking them, is never called: where no session
// manager answers, a log-off does nothing.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/api/platform.h"
#include "platform/linux/desktop_env.h"

namespace vintrel::platform::linux_host {

// One D-Bus method call, made only when the bus name has an owner.
struct BusCall {
    enum class Bus { Session, System };
    Bus bus = Bus::Session;
    std::string service, path, interface, method;
    std::vector<std::variant<bool, std::int32_t, std::uint32_t>> arguments;
};

// Pure: the calls tried in order for a log-off (EWX_LOGOFF) or a restart (EWX_REBOOT) on a
// desktop; the first one that is answered ends the request.
std::vector<BusCall> sessionRoute(Desktop desktop, std::uint32_t flags);

// The buses to call; empty addresses mean the user's session bus and the system bus.
struct SessionBuses {
    std::string sessionAddress;
    std::string systemAddress;
};

std::unique_ptr<Session> makeLinuxSession(Desktop desktop, SessionBuses buses = {});
// For the running desktop (detectDesktop on the process's environment).
std::unique_ptr<Session> makeLinuxSession();

}  // namespace vintrel::platform::linux_host
