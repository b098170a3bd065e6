#pragma once
// Reading and writing registry string values, the Windows directory, and whether a folder
// exists. Every failure is absorbed: a read gives empty text, a write gives false.

#include <string>
#include <string_view>

#include "platform/api/platform.h"
#include "platform/api/registry_locations.h"

namespace vintrel::system {

// The value's bytes up to its first NUL, read through a 256-byte buffer; empty text when the
// key or value is missing or the data is longer than 256 bytes. The type is not checked.
// Never creates a key. Empty valueName reads the key's default value.
std::string RegReadString(platform::HKey root, std::string_view keyPath, std::string_view valueName);

// While one lives, the registry reads share one view of the store (Registry::beginReads):
// a refresh that reads several values looks at the store once.
class RegistryReads {
public:
    RegistryReads() : registry_(platform::current().registry()) { registry_.beginReads(); }
    ~RegistryReads() { registry_.endReads(); }
    RegistryReads(const RegistryReads&) = delete;
    RegistryReads& operator=(const RegistryReads&) = delete;

private:
    platform::Registry& registry_;
};

// Stores text as REG_SZ with its terminating NUL, creating the key path when missing.
bool RegWriteString(platform::HKey root, std::string_view keyPath, std::string_view valueName,
                    std::string_view text);

// A location of the table (registry_locations.h), read with its read spelling and written
// with its write spelling.
inline std::string RegReadString(const platform::RegistryLocation& location) {
    return RegReadString(location.root, location.readKey, location.valueName);
}
inline bool RegWriteString(const platform::RegistryLocation& location, std::string_view text) {
    return RegWriteString(location.root, location.writeKey, location.valueName, text);
}

// HKLM\SOFTWARE\MICROSOFT\WINDOWS\CurrentVersion "SystemRoot", such as C:\WINDOWS, or empty text.
std::string WindowsDirectoryFromRegistry();

// True when path names an existing directory.
bool FolderExists(std::string_view path);

}  // namespace vintrel::system
