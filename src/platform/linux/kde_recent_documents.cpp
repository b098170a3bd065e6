#include "platform/linux/kde_recent_documents.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

namespace vintrel::platform::linux_host {

bool clearKdeRecentDocumentsFolder(const std::string& dataHome) {
    if (dataHome.empty()) return true;
    const int folder = ::open((dataHome + "/RecentDocuments").c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return true;
    DIR* dir = ::fdopendir(folder);
    if (dir == nullptr) {
        ::close(folder);
        return false;
    }
    bool cleared = true;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() <= 8 || name.substr(name.size() - 8) != ".desktop") continue;
        struct stat st {};
        if (::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlinkat(folder, entry->d_name, 0) != 0) cleared = false;
    }
    ::closedir(dir);
    return cleared;
}

bool clearKdeActivityStatistics(const std::string& sessionAddress) {
    QDBusConnection bus = sessionAddress.empty()
                              ? QDBusConnection::sessionBus()
                              : QDBusConnection::connectToBus(QString::fromStdString(sessionAddress),
                                                              QStringLiteral("vintrel-activities"));
    const QString service = QStringLiteral("org.kde.ActivityManager");
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service)) return false;
    QDBusMessage message = QDBusMessage::createMethodCall(service, QStringLiteral("/ActivityManager/Resources/Scoring"),
                                                          QStringLiteral("org.kde.ActivityManager.ResourcesScoring"),
                                                          QStringLiteral("DeleteRecentStats"));
    // No activity: all of them; "everything": whatever its age.
    message.setArguments({QString(), 0, QStringLiteral("everything")});
    return bus.call(message, QDBus::Block, 3000).type() == QDBusMessage::ReplyMessage;
}

}  // namespace vintrel::platform::linux_host
