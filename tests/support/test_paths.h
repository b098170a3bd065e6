#pragma once
// Locations of fixtures for tests, and a scratch folder that removes itself.

#include <filesystem>
#include <string>

namespace vintrel::test {

std::filesystem::path dataDir();          // tests/data
std::filesystem::path sharedTestData();   // the CMake option VINTREL_SHARED_TESTDATA (may be absent)
std::filesystem::path binaryDir();        // the build folder

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

}  // namespace vintrel::test
