#pragma once
// A few GSettings keys read and written through GIO, so the user's backend (dconf, or the
// keyfile backend that GSETTINGS_BACKEND names) is the one used. A schema is looked up before
// it is opened (opening a missing one aborts the process); a missing schema or key reads as
// nullopt and is never written.

#include <optional>
#include <string>
#include <vector>

namespace vintrel::platform::linux_host {

struct GSettingsKey {
    std::string schema;  // "org.gnome.desktop.thumbnailers"
    std::string key;     // "disable"
    std::string path;    // for a relocatable schema ("/org/gnome/desktop/app-folders/folders/x/"), else empty
};

// True when the schema is installed and has the key (a relocatable schema needs a path).
bool gsettingsHasKey(const GSettingsKey& key);

std::optional<std::vector<std::string>> gsettingsStrings(const GSettingsKey& key);
std::optional<bool> gsettingsBool(const GSettingsKey& key);

// Each writes and waits until the backend has the change; false when nothing was written.
bool setGSettingsStrings(const GSettingsKey& key, const std::vector<std::string>& values);
bool setGSettingsBool(const GSettingsKey& key, bool value);
bool setGSettingsString(const GSettingsKey& key, const std::string& value);
// Back to the schema's default.
bool resetGSettings(const GSettingsKey& key);

}  // namespace vintrel::platform::linux_host
