#include "platform/linux/desktop_settings.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "platform/host/whole_file.h"
#include "platform/api/registry_locations.h"
#include "platform/linux/gsettings_keys.h"
#include "platform/linux/shell_linux.h"
#include "platform/registry/key_path.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr const char* kBitmapType = "image/bmp";
constexpr const char* kShowBitmaps = "%1";
constexpr const char* kBitmapIcon = "mspaint.exe,1";
constexpr const char* kGtkMenuDelay = "gtk-menu-popup-delay";
constexpr const char* kXsettings = "xsettings";
constexpr const char* kXsettingsMenuDelay = "/Gtk/MenuPopupDelay";

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

KeyFile loadKeyFile(std::string_view text) {
    KeyFile file(g_key_file_new());
    if (!text.empty() &&
        !g_key_file_load_from_data(file.get(), text.data(), text.size(),
                                   static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS), nullptr))
        return nullptr;
    return file;
}

// A REG_SZ value's text up to its first NUL; nullopt for any other type.
std::optional<std::string> textOf(const RegValue& value) {
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return std::nullopt;
    return value.data.substr(0, value.data.find('\0'));
}

RegValue stringValue(const std::string& text) { return RegValue{REG_SZ, text + '\0'}; }

std::optional<int> number(std::string_view text) {
    int n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < 0) return std::nullopt;
    return n;
}

class LinuxDesktopValues : public registry::DesktopValues {
public:
    explicit LinuxDesktopValues(DesktopSettingsContext context)
        : context_(std::move(context)), plan_(planDesktopSettings(context_.desktop)) {
        for (const RegistryLocation& l : {reg::BitmapIcon, reg::MenuShowDelay})
            locations_.push_back({l.root, std::string(l.writeKey), std::string(l.valueName)});
    }

    const std::vector<registry::ValueLocation>& locations() const override { return locations_; }

    std::optional<RegValue> value(const registry::ValueLocation& location) override {
        switch (indexOf(location)) {
        case kBitmapIconIndex: return bitmapIcon();
        case kMenuDelayIndex: return menuDelay();
        default: return std::nullopt;
        }
    }

    void apply(const registry::ValueLocation& location, const RegValue* stored) override {
        const std::optional<std::string> text = stored != nullptr ? textOf(*stored) : std::nullopt;
        switch (indexOf(location)) {
        case kBitmapIconIndex: setBitmapIcon(stored == nullptr ? std::nullopt : text); break;
        case kMenuDelayIndex: setMenuDelay(text ? number(*text) : std::nullopt); break;
        default: break;
        }
    }

private:
    static constexpr int kBitmapIconIndex = 0, kMenuDelayIndex = 1;

    // Which of this desktop's locations, as locations() gave it or spelled the same.
    int indexOf(const registry::ValueLocation& l) const {
        for (std::size_t i = 0; i < locations_.size(); ++i)
            if (l.root == locations_[i].root && l.valueName == locations_[i].valueName &&
                l.keyPath == locations_[i].keyPath)
                return static_cast<int>(i);
        return -1;
    }

    GSettingsKey thumbnailKey(const char* key) const { return {plan_.thumbnailSchema, key, ""}; }

    std::optional<RegValue> bitmapIcon() {
        if (plan_.thumbnailSchema.empty()) return std::nullopt;
        const auto disableAll = gsettingsBool(thumbnailKey("disable-all"));
        const auto disable = gsettingsStrings(thumbnailKey("disable"));
        if (!disableAll || !disable) return std::nullopt;
        return stringValue(defaultIconText(*disableAll, *disable));
    }

    // nullopt: the value was deleted, so the list goes back to its default.
    void setBitmapIcon(const std::optional<std::string>& text) {
        if (plan_.thumbnailSchema.empty()) return;
        if (!text) {
            resetGSettings(thumbnailKey("disable"));
            return;
        }
        const auto disable = gsettingsStrings(thumbnailKey("disable"));
        if (!disable) return;
        const auto changed = thumbnailDisableList(*disable, *text == kShowBitmaps);
        if (changed != *disable) setGSettingsStrings(thumbnailKey("disable"), changed);
    }

    std::string settingsIni() const { return context_.configHome + "/gtk-3.0/settings.ini"; }

    std::optional<RegValue> menuDelay() {
        if (plan_.xsettingsMenuDelay && context_.xfconf)
            if (auto delay = context_.xfconf->getInt(kXsettings, kXsettingsMenuDelay))
                return stringValue(std::to_string(*delay));
        if (plan_.gtkSettingsIni && !context_.configHome.empty()) {
            const auto text = host::readSmallFile(settingsIni(), 1 << 20);
            if (text)
                if (auto delay = gtkSetting(*text, kGtkMenuDelay); delay && number(*delay))
                    return stringValue(*delay);
        }
        return std::nullopt;
    }

    // nullopt: deleted, or not a number of milliseconds: the desktop's own default again.
    void setMenuDelay(std::optional<int> delay) {
        if (plan_.xsettingsMenuDelay && context_.xfconf) {
            if (delay)
                context_.xfconf->setInt(kXsettings, kXsettingsMenuDelay, *delay);
            else
                context_.xfconf->reset(kXsettings, kXsettingsMenuDelay);
        }
        if (!plan_.gtkSettingsIni || context_.configHome.empty()) return;
        const std::string file = settingsIni();
        const auto old = host::readSmallFile(file, 1 << 20);
        if (!old && !delay) return;
        const std::optional<std::string> text = delay ? std::optional(std::to_string(*delay)) : std::nullopt;
        const std::string updated = withGtkSetting(old.value_or(""), kGtkMenuDelay, text);
        if (old && updated == *old) return;
        g_mkdir_with_parents((context_.configHome + "/gtk-3.0").c_str(), 0700);
        g_file_set_contents(file.c_str(), updated.data(), static_cast<gssize>(updated.size()), nullptr);
    }

    DesktopSettingsContext context_;
    DesktopSettingsPlan plan_;
    std::vector<registry::ValueLocation> locations_;
};

}  // namespace

DesktopSettingsPlan planDesktopSettings(Desktop desktop) {
    DesktopSettingsPlan plan;
    switch (desktop) {
    case Desktop::Gnome:
    case Desktop::Budgie: plan.thumbnailSchema = "org.gnome.desktop.thumbnailers"; break;
    case Desktop::Mate: plan.thumbnailSchema = "org.mate.thumbnailers"; break;
    case Desktop::Cinnamon: plan.thumbnailSchema = "org.cinnamon.desktop.thumbnailers"; break;
    case Desktop::Xfce: plan.xsettingsMenuDelay = true; break;
    case Desktop::Kde:
    case Desktop::Lxqt:
    case Desktop::Unknown: break;
    }
    return plan;
}

std::vector<std::string> thumbnailDisableList(std::vector<std::string> list, bool showBitmaps) {
    const bool listed = std::find(list.begin(), list.end(), kBitmapType) != list.end();
    if (showBitmaps)
        list.erase(std::remove(list.begin(), list.end(), kBitmapType), list.end());
    else if (!listed)
        list.emplace_back(kBitmapType);
    return list;
}

std::string defaultIconText(bool disableAll, const std::vector<std::string>& disable) {
    const bool off = disableAll || std::find(disable.begin(), disable.end(), kBitmapType) != disable.end();
    return off ? kBitmapIcon : kShowBitmaps;
}

std::optional<std::string> gtkSetting(std::string_view iniText, const char* key) {
    KeyFile file = loadKeyFile(iniText);
    if (!file) return std::nullopt;
    gchar* value = g_key_file_get_value(file.get(), "Settings", key, nullptr);
    if (value == nullptr) return std::nullopt;
    std::string out(value);
    g_free(value);
    return out;
}

std::string withGtkSetting(std::string_view iniText, const char* key, const std::optional<std::string>& value) {
    KeyFile file = loadKeyFile(iniText);
    if (!file) return std::string(iniText);  // not a key file: never rewritten
    if (value)
        g_key_file_set_value(file.get(), "Settings", key, value->c_str());
    else
        g_key_file_remove_key(file.get(), "Settings", key, nullptr);
    gsize length = 0;
    gchar* data = g_key_file_to_data(file.get(), &length, nullptr);
    std::string out(data, length);
    g_free(data);
    return out;
}

std::shared_ptr<registry::DesktopValues> makeLinuxDesktopValues(DesktopSettingsContext context) {
    return std::make_shared<LinuxDesktopValues>(std::move(context));
}

std::shared_ptr<registry::DesktopValues> makeLinuxDesktopValues() {
    const ShellEnvironment env = ShellEnvironment::fromProcess();
    DesktopSettingsContext context;
    context.desktop = detectDesktop(env.currentDesktop, env.desktopSession);
    context.configHome = env.configHome;
    if (planDesktopSettings(context.desktop).xsettingsMenuDelay) context.xfconf = makeDbusXfconf();
    return makeLinuxDesktopValues(std::move(context));
}

}  // namespace vintrel::platform::linux_host
