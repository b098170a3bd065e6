#include "platform/linux/session_linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <cstdlib>

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
    QDBusConnection bus(BusCall::Bus which) const {
        const std::string& address = which == BusCall::Bus::Session ? buses_.sessionAddress : buses_.systemAddress;
        if (address.empty())
            return which == BusCall::Bus::Session ? QDBusConnection::sessionBus() : QDBusConnection::systemBus();
        const QString name = QStringLiteral("vintrel-session-") + QString::fromStdString(address);
        return QDBusConnection::connectToBus(QString::fromStdString(address), name);
    }

    // True when the call was answered without an error.
    bool make(const BusCall& call) const {
        QDBusConnection connection = bus(call.bus);
        if (!connection.isConnected()) return false;
        const QString service = QString::fromStdString(call.service);
        if (!connection.interface()->isServiceRegistered(service)) return false;
        QDBusMessage message =
            QDBusMessage::createMethodCall(service, QString::fromStdString(call.path),
                                           QString::fromStdString(call.interface), QString::fromStdString(call.method));
        QVariantList arguments;
        for (const auto& argument : call.arguments) arguments << toVariant(argument);
        message.setArguments(arguments);
        return connection.call(message, QDBus::Block, kTimeoutMs).type() == QDBusMessage::ReplyMessage;
    }

    Desktop desktop_;
    SessionBuses buses_;
};

}  // namespace

std::unique_ptr<Session> makeLinuxSession(Desktop desktop, SessionBuses buses) {
    return std::make_unique<LinuxSession>(desktop, std::move(buses));
}

std::unique_ptr<Session> makeLinuxSession() {
    const char* current = std::getenv("XDG_CURRENT_DESKTOP");
    const char* session = std::getenv("DESKTOP_SESSION");
    return makeLinuxSession(detectDesktop(current ? current : "", session ? session : ""));
}

}  // namespace vintrel::platform::linux_host
