#include "platform/linux/program_files.h"

#include <vector>

#include "text/cp1252.h"

namespace vintrel::platform::linux_host {

std::optional<std::string> mappedProgramFile(std::string_view dosPath) {
    std::vector<std::string_view> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= dosPath.size(); ++i) {
        if (i < dosPath.size() && dosPath[i] != '\\' && dosPath[i] != '/') continue;
        const std::string_view name = dosPath.substr(start, i - start);
        if (!name.empty() && name != ".") names.push_back(name);
        start = i + 1;
    }
    using text::equalsIgnoreCaseCp1252;
    if (names.size() < 3 || names.size() > 4 || !equalsIgnoreCaseCp1252(names[0], "C:") ||
        !equalsIgnoreCaseCp1252(names[1], "WINDOWS") ||
        (names.size() == 4 && !equalsIgnoreCaseCp1252(names[2], "SYSTEM")))
        return std::nullopt;
    for (const char* program : {"msconfig.exe", "sysedit.exe", "notepad.exe", "control.exe"})
        if (equalsIgnoreCaseCp1252(names.back(), program)) return std::string(program);
    return std::nullopt;
}

bool ProgramFiles::fileExists(std::string_view path) {
    if (host_->fileExists(path)) return true;
    const auto program = mappedProgramFile(path);
    return program && counterpartInstalled_ && counterpartInstalled_(*program);
}

}  // namespace vintrel::platform::linux_host
