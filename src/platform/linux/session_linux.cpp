#include "platform/linux/session_linux.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <cstdlib>
#include <cstring>

namespace vintrel::platform::linux_host {
namespace {

constexpr int kTimeoutMs = 3000;

bool callOk(const QDBusMessage& reply) { return reply.type() == QDBusMessage::ReplyMessage; }

bool call(QDBusConnection bus, const char* service, const char* path, const char* interface, const char* method,
          const QVariantList& arguments) {
    if (!bus.isConnected()) return false;
    QDBusInterface target(QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(interface), bus);
    if (!target.isValid()) return false;
    target.setTimeout(kTimeoutMs);
    return callOk(target.callWithArgumentList(QDBus::Block, QString::fromLatin1(method), arguments));
}

bool desktopIs(const char* name) {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return desktop != nullptr && strcasestr(desktop, name) != nullptr;
}

class LinuxSession : public Session {
public:
    bool exitWindows(std::uint32_t flags) override {
        if (flags & EWX_REBOOT) {
            // Interactive: polkit may ask the user to authenticate.
            return call(QDBusConnection::systemBus(), "org.freedesktop.login1", "/org/freedesktop/login1",
                        "org.freedesktop.login1.Manager", "Reboot", {true});
        }
        return logOff();
    }

private:
    static bool logOff() {
        auto session = QDBusConnection::sessionBus();
        if (desktopIs("GNOME") || desktopIs("Unity") || desktopIs("Cinnamon")) {
            // 1: log out without the confirmation dialog.
            if (call(session, "org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
                     "Logout", {1u}))
                return true;
        }
        if (desktopIs("KDE")) {
            if (call(session, "org.kde.Shutdown", "/Shutdown", "org.kde.Shutdown", "logout", {})) return true;
        }
        if (desktopIs("XFCE")) {
            if (call(session, "org.xfce.SessionManager", "/org/xfce/SessionManager", "org.xfce.Session.Manager",
                     "Logout", {false, true}))
                return true;
        }
        return call(QDBusConnection::systemBus(), "org.freedesktop.login1", "/org/freedesktop/login1/session/auto",
                    "org.freedesktop.login1.Session", "Terminate", {});
    }
};

}  // namespace

std::unique_ptr<Session> makeLinuxSession() { return std::make_unique<LinuxSession>(); }

}  // namespace vintrel::platform::linux_host
