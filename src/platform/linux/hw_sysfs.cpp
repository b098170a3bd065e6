#include "platform/linux/hw_sysfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "text/lines.h"

namespace vintrel::platform::linux_host {

std::optional<std::string> readSysfsFile(const std::string& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::string out;
    char buffer[4096];
    while (out.size() < maxBytes) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, maxBytes - out.size()));
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

std::string readSysfsText(const std::string& path) {
    auto text = readSysfsFile(path, 4096);
    if (!text) return {};
    using namespace std::string_view_literals;
    return std::string(text::trim(*text, " \t\n\r\0"sv));
}

bool naturalNameLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = a[i] >= '0' && a[i] <= '9';
        const bool db = b[j] >= '0' && b[j] <= '9';
        if (da && db) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && a[ie] >= '0' && a[ie] <= '9') ++ie;
            while (je < b.size() && b[je] >= '0' && b[je] <= '9') ++je;
            // Compare the digit runs by value: skip leading zeros, then by length, then text.
            std::size_t iz = i, jz = j;
            while (iz + 1 < ie && a[iz] == '0') ++iz;
            while (jz + 1 < je && b[jz] == '0') ++jz;
            if (ie - iz != je - jz) return ie - iz < je - jz;
            const int c = a.compare(iz, ie - iz, b, jz, je - jz);
            if (c != 0) return c < 0;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> listSysfsDirectory(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), naturalNameLess);
    return names;
}

}  // namespace vintrel::platform::linux_host
