#include "system/errors.h"

#include <cctype>

namespace vintrel::system {

InOutError::InOutError(std::uint32_t code) : Error(ioErrorMessage(code)), code_(code) {}

std::string ioErrorMessage(std::uint32_t code) {
    switch (code) {
        case 2: return "File not found";
        case 3: return "Invalid filename";
        case 4: return "Too many open files";
        case 5: return "File access denied";
        case 100: return "Read beyond end of file";
        case 101: return "Disk full";
        case 106: return "Invalid numeric input";
        default: return "I/O error " + std::to_string(code);
    }
}

std::string applicationTitle(std::string_view programFileName) {
    const auto slash = programFileName.find_last_of("/\\");
    if (slash != std::string_view::npos) programFileName.remove_prefix(slash + 1);
    std::string title(programFileName.substr(0, programFileName.find('.')));
    for (std::size_t i = 1; i < title.size(); ++i)
        title[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(title[i])));
    return title;
}

std::string handlerMessage(std::string_view message) {
    std::string out(message);
    if (!out.empty() && static_cast<unsigned char>(out.back()) > static_cast<unsigned char>('.')) out += '.';
    return out;
}

}  // namespace vintrel::system
