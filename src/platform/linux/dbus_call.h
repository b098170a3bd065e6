#pragma once
// One D-Bus method call to a desktop service, made only when its name has an owner, on the
// user's bus or on the bus at a given address (tests give private buses).

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantList>
#include <string>

namespace vintrel::platform::linux_host {

// The bus at `address`; `standard` (the session or the system bus) when address is empty.
QDBusConnection busAt(const std::string& address, const QDBusConnection& standard);

// The reply, or an invalid message when the bus is not connected or nobody owns `service`.
QDBusMessage callOwned(const QDBusConnection& bus, const QString& service, const QString& path,
                       const QString& interface, const QString& method, const QVariantList& arguments,
                       int timeoutMs);

inline bool answered(const QDBusMessage& reply) { return reply.type() == QDBusMessage::ReplyMessage; }

}  // namespace vintrel::platform::linux_host
