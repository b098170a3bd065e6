#include "app/window_catalogue.h"

#include "forms/about_form.h"
#include "forms/controls.h"
#include "forms/main_form.h"
#include "forms/settings_form.h"

namespace vintrel::app {

std::optional<WindowName> parseWindowName(std::string_view name) {
    if (name == "main") return WindowName::Main;
    if (name == "settings") return WindowName::Settings;
    if (name == "about") return WindowName::About;
    return std::nullopt;
}

const char* windowNameText(WindowName name) {
    switch (name) {
        case WindowName::Main:
            return "main";
        case WindowName::Settings:
            return "settings";
        case WindowName::About:
            return "about";
    }
    return "main";
}

const std::vector<std::string>& settingsPageNames() {
    static const std::vector<std::string> names = {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4",
                                                   "TabSheet6"};
    return names;
}

std::unique_ptr<forms::TForm> openWindow(WindowName name, forms::TForm1& mainWindow,
                                         const std::string& page) {
    switch (name) {
        case WindowName::Main:
            return nullptr;
        case WindowName::About: {
            auto about = std::make_unique<forms::TForm2>();
            about->show();
            return about;
        }
        case WindowName::Settings: {
            auto dialog = std::make_unique<forms::TSistemaDef>();
            if (!page.empty())
                dialog->findChild<forms::TPageControl*>()->setActivePage(QString::fromStdString(page));
            dialog->show();
            return dialog;
        }
    }
    return nullptr;
}

}  // namespace vintrel::app
