// The texts of the Start-menu mirror: the freedesktop menu merge file and .directory files.

#include <cctype>
#include <iterator>

#include "platform/linux/start_menu_mirror.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr std::size_t kControlPanel = 0, kPrinters = 1, kDialUp = 2;

// Printer settings tools that do not all carry the Printing category.
constexpr const char* kPrinterTools[] = {"system-config-printer.desktop", "org.gnome.Settings-printers-panel.desktop",
                                         "gnome-printers-panel.desktop", "kcm_printer_manager.desktop"};
// Network connection editors and the desktops' network settings.
constexpr const char* kNetworkTools[] = {"nm-connection-editor.desktop", "org.gnome.Settings-network-panel.desktop",
                                         "gnome-network-panel.desktop", "kcm_networkmanagement.desktop",
                                         "cinnamon-settings-network.desktop"};

template <std::size_t N>
std::string orRules(const char* category, const char* const (&files)[N], const char* indent) {
    std::string out = std::string(indent) + "<Or>\n";
    out += std::string(indent) + "  <Category>" + category + "</Category>\n";
    for (const char* file : files) out += std::string(indent) + "  <Filename>" + file + "</Filename>\n";
    return out + indent + "</Or>\n";
}

std::string menuName(const StartMenuFolder& folder) { return std::string("br.com.malvex.Vintrel.") + folder.id; }

}  // namespace

const std::array<StartMenuFolder, kStartMenuFolders>& startMenuFolders() {
    static const std::array<StartMenuFolder, kStartMenuFolders> folders{{
        {"{21EC2020-3AEA-1069-A2DD-08002B30309D}", "PainelDeControle", "Painel de Controle", "preferences-system"},
        {"{2227A280-3AEA-1069-A2DE-08002B30309D}", "Impressoras", "Impressoras", "printer"},
        {"{992CFFA0-F557-101A-88EC-00DD010CCC48}", "AcessoRedeDialUp", "Acesso \xC3\xA0 rede dial-up",
         "network-wired"},
    }};
    return folders;
}

const char* startMenuCategory(std::size_t folder) {
    return folder == kPrinters ? "Printing" : folder == kDialUp ? "Dialup" : "Settings";
}

std::vector<std::string> startMenuNamedEntries(std::size_t folder) {
    if (folder == kPrinters) return {std::begin(kPrinterTools), std::end(kPrinterTools)};
    if (folder == kDialUp) return {std::begin(kNetworkTools), std::end(kNetworkTools)};
    return {};
}

int junctionIndex(std::string_view folderName) {
    const auto& folders = startMenuFolders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::string_view clsid = folders[i].clsid;
        if (folderName.size() < clsid.size() + 1) continue;
        const std::string_view tail = folderName.substr(folderName.size() - clsid.size());
        bool same = folderName[folderName.size() - clsid.size() - 1] == '.';
        for (std::size_t k = 0; same && k < clsid.size(); ++k)
            same = std::toupper(static_cast<unsigned char>(tail[k])) == clsid[k];
        if (same) return static_cast<int>(i);
    }
    return -1;
}

std::string startMenuMergeText(const ShownFolders& shown) {
    const auto& folders = startMenuFolders();
    std::string out =
        "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
        "<!-- Vintrel's Start menu folders; written and removed by Vintrel. -->\n"
        "<Menu>\n  <Name>Applications</Name>\n";
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (!shown[i]) continue;
        out += "  <Menu>\n    <Name>" + menuName(folders[i]) + "</Name>\n";
        out += "    <Directory>" + menuName(folders[i]) + ".directory</Directory>\n    <Include>\n";
        if (i == kControlPanel) {
            out += "      <And>\n        <Category>Settings</Category>\n";
            if (shown[kPrinters]) out += "        <Not>\n" + orRules("Printing", kPrinterTools, "          ") + "        </Not>\n";
            if (shown[kDialUp]) out += "        <Not>\n" + orRules("Dialup", kNetworkTools, "          ") + "        </Not>\n";
            out += "      </And>\n";
        } else if (i == kPrinters) {
            out += orRules("Printing", kPrinterTools, "      ");
        } else {
            out += orRules("Dialup", kNetworkTools, "      ");
        }
        out += "    </Include>\n  </Menu>\n";
    }
    return out + "</Menu>\n";
}

std::string startMenuDirectoryText(const StartMenuFolder& folder) {
    return std::string("[Desktop Entry]\nType=Directory\nName=") + folder.name + "\nIcon=" + folder.icon + "\n";
}

}  // namespace vintrel::platform::linux_host
