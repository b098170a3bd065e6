#pragma once
// KDE's views of recent documents: the RecentDocuments folder of .desktop links that its
// file dialogs and menus show, and the activity manager's recent-use statistics.

#include <string>

namespace vintrel::platform::linux_host {

// Removes every regular *.desktop file in dataHome/RecentDocuments and nothing else; true when
// none is left.
bool clearKdeRecentDocumentsFolder(const std::string& dataHome);

// Asks the activity manager, when it runs on the session bus, to forget its recent-use
// statistics for every activity; sessionAddress empty means the user's session bus.
bool clearKdeActivityStatistics(const std::string& sessionAddress = "");

}  // namespace vintrel::platform::linux_host
