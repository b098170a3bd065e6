#include "platform/linux/kde_recent_documents.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

#include "platform/linux/dbus_call.h"

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
    // No activity: all of them; "everything": whatever its age.
    return answered(callOwned(busAt(sessionAddress, QDBusConnection::sessionBus()),
                              QStringLiteral("org.kde.ActivityManager"), QStringLiteral("/ActivityManager/Resources/Scoring"),
                              QStringLiteral("org.kde.ActivityManager.ResourcesScoring"),
                              QStringLiteral("DeleteRecentStats"), {QString(), 0, QStringLiteral("everything")}, 3000));
}

}  // namespace vintrel::platform::linux_host
