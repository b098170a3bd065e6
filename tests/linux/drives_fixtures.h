#pragma once
// Fixture helpers shared by the drive and memory tests.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/linux/linux_platform.h"
#include "support/test_paths.h"

namespace vintrel::test {

inline std::string linuxFixture(const std::string& relative) {
    std::ifstream in(dataDir() / "linux" / relative, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A made-up machine in a scratch folder: /proc, /sys, /dev and /run roots and a per-user root.
class FakeHost {
public:
    FakeHost() {
        namespace fs = std::filesystem;
        env.root = (dir.path() / "root").string();
        env.procRoot = (dir.path() / "proc").string();
        env.sysRoot = (dir.path() / "sys").string();
        env.devRoot = (dir.path() / "dev").string();
        env.runRoot = (dir.path() / "run").string();
        env.etcRoot = (dir.path() / "etc").string();
    }

    // A disk folder under /sys/devices, optionally with one partition, linked from
    // /sys/dev/block and /sys/class/block as the kernel does.
    void addDisk(const std::string& path, const std::string& removable, const std::string& partition,
                 const std::string& number, const std::string& mmcType = "") const {
        namespace fs = std::filesystem;
        const fs::path sys = env.sysRoot;
        const fs::path disk = sys / "devices" / path;
        writeFile(disk / "removable", removable + "\n");
        if (!mmcType.empty()) writeFile(disk / "device" / "type", mmcType + "\n");
        fs::path node = disk;
        if (!partition.empty()) {
            node = disk / partition;
            writeFile(node / "partition", "1\n");
        }
        writeFile(node / "dev", number + "\n");
        const std::string relative = "../../devices/" + fs::relative(node, sys / "devices").string();
        fs::create_directories(sys / "dev" / "block");
        fs::create_directories(sys / "class" / "block");
        fs::create_directory_symlink(relative, sys / "dev" / "block" / number);
        fs::create_directory_symlink(relative, sys / "class" / "block" / node.filename());
    }

    // A /dev link such as disk/by-label/NAME -> ../../sdb1.
    void link(const std::string& name, const std::string& target) const {
        const std::filesystem::path at = std::filesystem::path(env.devRoot) / name;
        std::filesystem::create_directories(at.parent_path());
        std::filesystem::create_symlink(target, at);
    }

    void setMountInfo(const std::string& text) const {
        writeFile(std::filesystem::path(env.procRoot) / "self" / "mountinfo", text);
    }
    void setMeminfo(const std::string& text) const {
        writeFile(std::filesystem::path(env.procRoot) / "meminfo", text);
    }
    void setStatm(const std::string& text) const {
        writeFile(std::filesystem::path(env.procRoot) / "self" / "statm", text);
    }

    TempDir dir;
    platform::linux_host::LinuxEnvironment env;
};

}  // namespace vintrel::test
