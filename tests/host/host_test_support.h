#pragma once
// Shared pieces of the host tests: a drive map with fixed folders and small file helpers.

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/host/drive_map.h"

namespace vintrel::test {

class FixedDriveMap : public platform::host::DriveMap {
public:
    explicit FixedDriveMap(std::map<char, std::string> bases = {}) : bases_(std::move(bases)) {}
    std::optional<std::string> basePath(char letter) override {
        const auto it = bases_.find(letter);
        if (it == bases_.end()) return std::nullopt;
        return it->second;
    }

private:
    std::map<char, std::string> bases_;
};

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace vintrel::test
