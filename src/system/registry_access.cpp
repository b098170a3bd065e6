#include "system/registry_access.h"

namespace vintrel::system {

using namespace vintrel::platform;

namespace {
constexpr std::uint32_t kReadBufferSize = 256;
}

std::string RegReadString(HKey root, std::string_view keyPath, std::string_view valueName) {
    Registry& registry = current().registry();
    HKey key = 0;
    if (registry.openKey(root, keyPath, KEY_ALL_ACCESS, key) != 0) return {};
    RegValue value;
    std::uint32_t size = 0;
    const long result = registry.queryValue(key, valueName, kReadBufferSize, value, size);
    registry.closeKey(key);
    if (result != 0) return {};
    std::string_view data(value.data);
    data = data.substr(0, kReadBufferSize);
    return std::string(data.substr(0, data.find('\0')));
}

bool RegWriteString(HKey root, std::string_view keyPath, std::string_view valueName, std::string_view text) {
    Registry& registry = current().registry();
    HKey created = 0;
    if (registry.createKey(root, keyPath, created) != 0) return false;
    HKey opened = 0;
    if (registry.openKey(root, keyPath, KEY_ALL_ACCESS, opened) != 0) {
        registry.closeKey(created);
        return false;
    }
    std::string data(text);
    data.push_back('\0');
    const bool written = registry.setValue(opened, valueName, REG_SZ, data) == 0;
    registry.closeKey(opened);
    registry.closeKey(created);
    return written;
}

std::string WindowsDirectoryFromRegistry() {
    return RegReadString(platform::reg::SystemRoot);
}

bool FolderExists(std::string_view path) {
    const std::uint32_t attributes = current().files().fileAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace vintrel::system
