#pragma once
// The registry values that stand for a setting of the Linux desktop, read from and written to
// the desktop's own settings:
// - HKCR\Paint.Picture\DefaultIcon (default value): "%1" shows bitmap files as their own
//   icon, that is BMP thumbnails. GNOME, Budgie, MATE and Cinnamon keep a list of MIME types
//   whose thumbnailers are turned off (org.gnome.desktop.thumbnailers, org.mate.thumbnailers,
//   org.cinnamon.desktop.thumbnailers: disable, disable-all); image/bmp joins or leaves it.
//   Desktops with no per-type switch keep the value stored only.
// - HKCU\Control Panel\Desktop MenuShowDelay: gtk-menu-popup-delay in the user's GTK 3
//   settings.ini on every desktop, and on XFCE the XSETTINGS property /Gtk/MenuPopupDelay.
// Owner, organisation and the middle-button value have no Linux setting and are not here.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/desktop_env.h"
#include "platform/registry/desktop_values.h"

namespace vintrel::platform::linux_host {

// What a desktop offers for the backed values.
struct DesktopSettingsPlan {
    std::string thumbnailSchema;   // empty: bitmap thumbnails stored only
    bool gtkSettingsIni = true;    // GTK 3 settings.ini holds the menu delay
    bool xsettingsMenuDelay = false;  // xfconf's xsettings channel holds it too
};
DesktopSettingsPlan planDesktopSettings(Desktop desktop);

// The thumbnailers' disable list with image/bmp taken out (showBitmaps) or added once at the
// end, every other entry kept in its order.
std::vector<std::string> thumbnailDisableList(std::vector<std::string> list, bool showBitmaps);
// The DefaultIcon text that the thumbnail settings stand for.
std::string defaultIconText(bool disableAll, const std::vector<std::string>& disable);

// The value of key in [Settings] of a GTK settings.ini text, and the text with it set
// (nullopt: removed), everything else kept. Done through GLib's key file parser.
std::optional<std::string> gtkSetting(std::string_view iniText, const char* key);
std::string withGtkSetting(std::string_view iniText, const char* key, const std::optional<std::string>& value);

// The XSETTINGS channel of xfconf, over D-Bus; tests put a fake in its place.
class Xfconf {
public:
    virtual ~Xfconf() = default;
    virtual std::optional<int> getInt(const std::string& channel, const std::string& property) = 0;
    virtual bool setInt(const std::string& channel, const std::string& property, int value) = 0;
    virtual bool reset(const std::string& channel, const std::string& property) = 0;
};
// On the user's session bus, or on the bus at sessionAddress.
std::unique_ptr<Xfconf> makeDbusXfconf(std::string sessionAddress = "");

struct DesktopSettingsContext {
    Desktop desktop = Desktop::Unknown;
    std::string configHome;  // XDG_CONFIG_HOME, else ~/.config
    std::shared_ptr<Xfconf> xfconf;  // nullptr: none
};

std::shared_ptr<registry::DesktopValues> makeLinuxDesktopValues(DesktopSettingsContext context);
// For the running desktop, from the process's environment.
std::shared_ptr<registry::DesktopValues> makeLinuxDesktopValues();

}  // namespace vintrel::platform::linux_host
