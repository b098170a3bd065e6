// Every whole-file writer syncs the new bytes before they take the target's place, and the
// folder after; a write that fails leaves the target and no temporary file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/api/platform.h"
#include "platform/host/durable_write.h"
#include "platform/host/whole_file.h"
#include "platform/host/windows_tree.h"
#include "support/test_paths.h"

namespace vintrel::platform::host {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> calls;
ssize_t recordWrite(int fd, const void* data, size_t size) {
    calls.push_back("write");
    return ::write(fd, data, size);
}
int recordFsync(int fd) {
    calls.push_back("fsync");
    return ::fsync(fd);
}
int recordRename(const char* from, const char* to) {
    calls.push_back("rename");
    return ::rename(from, to);
}
int recordLink(const char* from, const char* to) {
    calls.push_back("link");
    return ::link(from, to);
}
ssize_t fullDisk(int, const void*, size_t) {
    errno = ENOSPC;
    return -1;
}

std::string contentOf(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool temporaryLeft(const fs::path& folder) {
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (isDurableTemporaryName(e.path().filename().string())) return true;
    return false;
}

TEST(DurableWrite, TheBytesAreSyncedBeforeTheyTakeTheTargetsPlace) {
    const struct {
        const char* writer;
        std::function<void(const fs::path&)> write;
        std::vector<std::string> expected;
    } cases[] = {
        {"whole file", [](const fs::path& d) { EXPECT_EQ(replaceWholeFile((d / "f.txt").string(), "new"), 0u); },
         {"write", "fsync", "rename", "fsync"}},
        {"new SYSTEM.INI", [](const fs::path& d) { prepareWindowsTree(d.string(), "", [] { return "[boot]"; }); },
         {"write", "fsync", "link", "fsync"}},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        calls.clear();
        {
            ScopedDurableCalls recorded({recordWrite, recordFsync, recordRename, recordLink});
            c.write(dir.path());
        }
        EXPECT_EQ(calls, c.expected) << c.writer;
        EXPECT_FALSE(temporaryLeft(dir.path())) << c.writer;
    }
}

TEST(DurableWrite, AFullDiskIsDiskFullAndLeavesTheTarget) {
    test::TempDir dir;
    const fs::path file = dir.path() / "f.txt";
    std::ofstream(file) << "old";
    {
        ScopedDurableCalls full({fullDisk, ::fsync, ::rename, ::link});
        EXPECT_EQ(replaceWholeFile(file.string(), "new"), platform::ERROR_DISK_FULL);
    }
    EXPECT_EQ(contentOf(file), "old");
    EXPECT_FALSE(temporaryLeft(dir.path()));
}

}  // namespace
}  // namespace vintrel::platform::host
