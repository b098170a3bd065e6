#pragma once
// The program's windows by name, for the headless modes: each is built as the program builds
// it (the settings dialog and the About window from the main window), loaded and shown.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::forms {
class TForm;
class TForm1;
}  // namespace vintrel::forms

namespace vintrel::app {

enum class WindowName { Main, Settings, About };

std::optional<WindowName> parseWindowName(std::string_view name);
const char* windowNameText(WindowName name);
// The pages of the settings dialog, by name, in their order.
const std::vector<std::string>& settingsPageNames();

// The window to dump or picture: the main window itself, or a new window opened from it
// (not modally: nobody is there to close it). `page` names a page to show, where the window
// has pages.
std::unique_ptr<forms::TForm> openWindow(WindowName name, forms::TForm1& mainWindow, const std::string& page);

}  // namespace vintrel::app
