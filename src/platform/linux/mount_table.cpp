#include "platform/linux/mount_table.h"

#include <charconv>
#include <cstring>

namespace vintrel::platform::linux_host {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The next blank-separated field of a line, taken off its front; empty when none is left.
std::string_view takeField(std::string_view& line) {
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start])) ++start;
    std::size_t end = start;
    while (end < line.size() && !isBlank(line[end])) ++end;
    const std::string_view field = line.substr(start, end - start);
    line.remove_prefix(end);
    return field;
}

template <class Number>
bool parseNumber(std::string_view text, Number& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

// The kernel writes a blank, tab, newline or backslash in a path as a backslash and three
// octal digits ("\040").
std::string unescape(std::string_view field) {
    if (field.find('\\') == std::string_view::npos) return std::string(field);  // most fields
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            out.push_back(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                            (field[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.push_back(field[i]);
    }
    return out;
}

// One line: "id parent major:minor root target vfs-options [optional fields] - type source
// fs-options", filled into `e`; false for anything else.
bool parseLine(std::string_view line, MountEntry& e) {
    const std::string_view id = takeField(line), parent = takeField(line), device = takeField(line);
    const auto colon = device.find(':');
    if (!parseNumber(id, e.id) || !parseNumber(parent, e.parentId) || colon == std::string_view::npos ||
        !parseNumber(device.substr(0, colon), e.major) || !parseNumber(device.substr(colon + 1), e.minor))
        return false;
    const std::string_view root = takeField(line), target = takeField(line), vfs = takeField(line);
    std::string_view field = takeField(line);
    while (!field.empty() && field != "-") field = takeField(line);  // the optional fields
    const std::string_view type = takeField(line);
    // An empty source leaves two blanks between the type and the options.
    const bool noSource = line.size() > 1 && isBlank(line[0]) && isBlank(line[1]);
    const std::string_view source = noSource ? std::string_view() : takeField(line), fs = takeField(line);
    if (fs.empty() || e.id <= 0 || target.empty() || target.front() != '/') return false;
    e.root = unescape(root);
    e.target = unescape(target);
    e.fsType = unescape(type);
    e.source = unescape(source);
    e.vfsOptions = std::string(vfs);
    e.fsOptions = unescape(fs);
    return true;
}

}  // namespace

bool MountEntry::readOnly() const {
    return hasMountOption(vfsOptions, "ro") || hasMountOption(fsOptions, "ro");
}

std::vector<MountEntry> parseMountInfo(std::string_view input) {
    // One entry a line, each parsed in its place: reserved up front, so no entry is moved
    // while the table grows.
    std::size_t lines = 1;
    for (const char* at = input.data(), *end = at + input.size();
         (at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)))) != nullptr; ++at)
        ++lines;
    std::vector<MountEntry> out;
    out.reserve(lines);
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        if (!parseLine(input.substr(0, end), out.emplace_back())) out.pop_back();
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    return out;
}

bool hasMountOption(std::string_view options, std::string_view name) {
    while (!options.empty()) {
        const std::size_t comma = options.find(',');
        std::string_view item = options.substr(0, comma);
        if (item == name ||
            (item.size() > name.size() && item.substr(0, name.size()) == name && item[name.size()] == '='))
            return true;
        if (comma == std::string_view::npos) break;
        options.remove_prefix(comma + 1);
    }
    return false;
}

bool pathIsUnder(std::string_view path, std::string_view folder) {
    if (folder == "/") return !path.empty() && path.front() == '/';
    if (path.size() < folder.size() || path.substr(0, folder.size()) != folder) return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

std::optional<std::size_t> holdingMount(const std::vector<MountEntry>& mounts, std::string_view path) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        if (!pathIsUnder(path, mounts[i].target)) continue;
        if (!best || mounts[i].target.size() >= mounts[*best].target.size()) best = i;
    }
    return best;
}

}  // namespace vintrel::platform::linux_host
