#include "platform/linux/session_linux.h"

#include "platform/linux/dbus_call.h"
#include "platform/linux/shell_linux.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr int kTimeoutMs = 3000;

QVariant toVariant(const std::variant<bool, std::int32_t, std::uint32_t>& argument) {
    return std::visit([](auto value) { return QVariant::fromValue(value); }, argument);
}

class LinuxSession : public Session {
public:
    LinuxSession(Desktop desktop, SessionBuses buses) : desktop_(desktop), buses_(std::move(buses)) {}

    bool exitWindows(std::uint32_t flags) override {
        for (const BusCall& call : sessionRoute(desktop_, flags))
            if (make(call)) return true;
        return false;
    }

private:
    // True when the call was answered without an error.
    bool make(const BusCall& call) const {
        const bool session = call.bus == BusCall::Bus::Session;
        const QDBusConnection bus = session ? busAt(buses_.sessionAddress, QDBusConnection::sessionBus())
                                            : busAt(buses_.systemAddress, QDBusConnection::systemBus());
        QVariantList arguments;
        for (const auto& argument : call.arguments) arguments << toVariant(argument);
        return answered(callOwned(bus, QString::fromStdString(call.service), QString::fromStdString(call.path),
                                  QString::fromStdString(call.interface), QString::fromStdString(call.method),
                                  arguments, kTimeoutMs));
    }

    Desktop desktop_;
    SessionBuses buses_;
};

}  // namespace

std::unique_ptr<Session> makeLinuxSession(Desktop desktop, SessionBuses buses) {
    return std::make_unique<LinuxSession>(desktop, std::move(buses));
}

std::unique_ptr<Session> makeLinuxSession() {
    const ShellEnvironment env = ShellEnvironment::fromProcess();
    return makeLinuxSession(detectDesktop(env.currentDesktop, env.desktopSession));
}

}  // namespace vintrel::platform::linux_host
