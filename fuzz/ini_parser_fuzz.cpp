// libFuzzer target for the small host text parsers: the initialisation-file reader (the
// input's first line names the section, the second the key, the rest is the file), the DOS
// path splitter and the user-dirs.dirs reader (each given the whole input).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/api/platform.h"
#include "platform/host/dos_path.h"
#include "platform/host/ini_profile.h"
#include "platform/host/windows_tree.h"

using namespace vintrel::platform::host;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

std::string_view takeLine(std::string_view& rest) {
    const auto end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return line;
}

void profile(std::string_view input) {
    const std::uint32_t bufferSize = input.empty() ? 0 : static_cast<unsigned char>(input[0]);
    std::string_view rest = input;
    const std::string_view section = takeLine(rest);
    const std::string_view key = takeLine(rest);

    const std::string text = decodeProfileText(rest);
    const auto value = findProfileValue(text, section, key);
    if (value) check(value->find_first_of("\r\n") == std::string::npos);

    const std::string cut = profileString(rest, section, key, "nada  ", bufferSize);
    check(cut.size() <= (bufferSize == 0 ? 0 : bufferSize - 1));
    check(cut.find('\0') == std::string::npos);
    const std::string whole = profileString(rest, section, key, "nada", 1u << 20);
    check(whole.starts_with(cut));
    if (value)
        check(whole == value->substr(0, value->find('\0')));
    else
        check(whole == "nada");
}

void dosPath(std::string_view input) {
    const DosPathParts parts = splitDosPath(input);
    if (parts.error != 0) {
        check(parts.error == vintrel::platform::ERROR_PATH_NOT_FOUND ||
              parts.error == vintrel::platform::ERROR_INVALID_NAME);
        return;
    }
    check(parts.drive >= 'A' && parts.drive <= 'Z');
    for (const std::string& c : parts.components) {
        check(!c.empty() && c != "." && c != "..");
        check(c.back() != '.' && c.back() != ' ');
        for (const char ch : c) {
            check(static_cast<unsigned char>(ch) >= 0x20);
            check(std::string_view("\\/<>:\"|?*").find(ch) == std::string_view::npos);
        }
    }
}

void userDirs(std::string_view input) {
    const auto desktop = parseUserDirsEntry(input, "XDG_DESKTOP_DIR", "/home/u");
    if (desktop) check(desktop->starts_with("/"));  // "$HOME/..." or an absolute path
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    profile(input);
    dosPath(input);
    userDirs(input);
    return 0;
}
