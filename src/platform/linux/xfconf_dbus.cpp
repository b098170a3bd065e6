// xfconf's properties over D-Bus (org.xfce.Xfconf), as xfconf-query reaches them.

#include <QDBusVariant>

#include "platform/linux/dbus_call.h"
#include "platform/linux/desktop_settings.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr int kTimeoutMs = 2000;
const char* const kService = "org.xfce.Xfconf";

class DbusXfconf : public Xfconf {
public:
    explicit DbusXfconf(std::string address) : address_(std::move(address)) {}

    std::optional<int> getInt(const std::string& channel, const std::string& property) override {
        const QDBusMessage reply = call("GetProperty", {QString::fromStdString(channel), QString::fromStdString(property)});
        if (!answered(reply) || reply.arguments().isEmpty()) return std::nullopt;
        QVariant value = reply.arguments().first();
        if (value.canConvert<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
        bool ok = false;
        const int n = value.toInt(&ok);
        return ok ? std::optional(n) : std::nullopt;
    }

    bool setInt(const std::string& channel, const std::string& property, int value) override {
        return answered(call("SetProperty", {QString::fromStdString(channel), QString::fromStdString(property),
                                             QVariant::fromValue(QDBusVariant(value))}));
    }

    bool reset(const std::string& channel, const std::string& property) override {
        return answered(call("ResetProperty", {QString::fromStdString(channel), QString::fromStdString(property), false}));
    }

private:
    QDBusMessage call(const char* method, const QVariantList& arguments) const {
        return callOwned(busAt(address_, QDBusConnection::sessionBus()), QString::fromLatin1(kService),
                         QStringLiteral("/org/xfce/Xfconf"), QStringLiteral("org.xfce.Xfconf"),
                         QString::fromLatin1(method), arguments, kTimeoutMs);
    }

    std::string address_;
};

}  // namespace

std::unique_ptr<Xfconf> makeDbusXfconf(std::string sessionAddress) {
    return std::make_unique<DbusXfconf>(std::move(sessionAddress));
}

}  // namespace vintrel::platform::linux_host
