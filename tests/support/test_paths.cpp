#include "support/test_paths.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace vintrel::test {

std::filesystem::path dataDir() { return VINTREL_TEST_DATA; }
std::filesystem::path sharedTestData() { return VINTREL_SHARED_TESTDATA; }
std::filesystem::path binaryDir() { return VINTREL_BINARY_DIR; }

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vintrel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vintrel::test
