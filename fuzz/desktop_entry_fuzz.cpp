// libFuzzer target for the installed-program parsers: the desktop-entry reader (for the
// locale named by the input's first line), the dpkg file-list indexer and the package, flatpak
// and snap name checks (each given the whole input), the mapped-program path test and the
// mouse-driver name.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/linux/desktop_entry.h"
#include "platform/linux/input_devices.h"
#include "platform/linux/installed_programs.h"
#include "platform/linux/program_files.h"

using namespace vintrel::platform::linux_host;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool controlFree(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto end = input.find('\n');
    const std::string_view locale = input.substr(0, std::min<std::size_t>(end, 64));

    if (const auto entry = parseDesktopEntry(input, locale)) {
        check(controlFree(entry->name));  // a listed name never breaks a line
        shownInMenus(*entry, [](const std::string& program) { return !program.empty(); });
    }
    parseDesktopEntry(input);

    std::unordered_map<std::string, std::string> index;
    indexDesktopPaths(input, "pkg", index);
    for (const auto& [path, package] : index) check(path.ends_with(".desktop") && path.front() == '/');

    for (const auto& command :
         {debianRemoveCommand(input), flatpakRemoveCommand(input), snapRemoveCommand(input)})
        if (command) check(controlFree(*command) && command->find(';') == std::string::npos);
    if (const auto package = packageOfListFile(input)) check(controlFree(*package));

    mappedProgramFile(input);
    const std::string driver = mouseDriverDescription(std::string(input), 3, 0x046d);
    check(!driver.empty());
    return 0;
}
