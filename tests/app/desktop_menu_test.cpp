// The settings dialog on the Linux provider: checking a Start-menu box and applying puts the
// submenu into the desktop's menu, and unchecking takes it out.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "forms/controls.h"
#include "forms/message_box.h"
#include "forms/settings_form.h"
#include "platform/linux/linux_platform.h"
#include "support/test_paths.h"

namespace vintrel::forms {
namespace {

namespace fs = std::filesystem;

class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string contentOf(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SettingsOnLinux, ControlPanelBoxPutsTheSubmenuInTheDesktopMenuAndTakesItOut) {
    test::TempDir dir;
    ScopedVariable config("XDG_CONFIG_HOME", dir.str() + "/config");
    ScopedVariable data("XDG_DATA_HOME", dir.str() + "/data");
    ScopedVariable desktop("XDG_CURRENT_DESKTOP", "LXQt");
    ScopedVariable prefix("XDG_MENU_PREFIX", "");
    platform::linux_host::LinuxEnvironment environment;
    environment.root = dir.str() + "/root";
    platform::ScopedPlatform linux(platform::linux_host::makeLinuxPlatform(environment));
    const fs::path merged = dir.path() / "config/menus/applications-merged/br.com.malvex.Vintrel.menu";
    const fs::path named = dir.path() / "data/desktop-directories/br.com.malvex.Vintrel.PainelDeControle.directory";
    fs::create_directories(merged.parent_path());
    std::ofstream(merged.parent_path() / "users-own.menu") << "<Menu><Name>Applications</Name></Menu>\n";

    for (bool checked : {true, false}) {
        ScriptedMessages boxes;
        TSistemaDef dialog;
        // As a user's click does (TCheckBox's own click is the change signal).
        static_cast<QAbstractButton*>(dialog.find<TCheckBox>("CheckBox1"))->click();
        dialog.find<TButton>("Button1")->click();
        EXPECT_TRUE(boxes.asked().empty());
        EXPECT_EQ(fs::exists(merged), checked);
        EXPECT_EQ(fs::exists(named), checked);
        if (checked) {
            EXPECT_NE(contentOf(merged).find("<Category>Settings</Category>"), std::string::npos);
            EXPECT_NE(contentOf(named).find("Name=Painel de Controle"), std::string::npos);
        }
    }
    EXPECT_TRUE(fs::exists(merged.parent_path() / "users-own.menu"));
}

}  // namespace
}  // namespace vintrel::forms
