#include "platform/linux/dbus_call.h"

#include <QDBusConnectionInterface>

namespace vintrel::platform::linux_host {

QDBusConnection busAt(const std::string& address, const QDBusConnection& standard) {
    if (address.empty()) return standard;
    const QString where = QString::fromStdString(address);
    return QDBusConnection::connectToBus(where, QStringLiteral("vintrel-") + where);
}

QDBusMessage callOwned(const QDBusConnection& bus, const QString& service, const QString& path,
                       const QString& interface, const QString& method, const QVariantList& arguments,
                       int timeoutMs) {
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service)) return {};
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, timeoutMs);
}

}  // namespace vintrel::platform::linux_host
