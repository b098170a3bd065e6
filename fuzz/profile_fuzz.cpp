// Feeds arbitrary bytes to the machine-profile reader. A profile either parses or gives a
// ProfileError; a parsed one holds no NUL in its folder and file names, its DOS paths split
// without crashing, and its registry text imports or reports a line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/host/dos_path.h"
#include "platform/sim/profile.h"
#include "registry/reg_file.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vintrel;
    const std::string text(reinterpret_cast<const char*>(data), size);
    platform::sim::Profile profile;
    try {
        profile = platform::sim::parseProfile(text, "fuzz");
    } catch (const platform::sim::ProfileError&) {
        return 0;
    }
    for (const std::string& folder : profile.folders) {
        check(folder.find('\0') == std::string::npos);
        (void)platform::host::splitDosPath(folder);
    }
    for (const auto& file : profile.files) check(file.path.find('\0') == std::string::npos);
    if (!profile.registryText.empty()) {
        auto store = registry::RegistryStore::openInMemory();
        check(store != nullptr);
        const registry::RegImportResult imported = registry::importRegFile(*store, profile.registryText);
        if (!imported.ok) check(imported.error.line >= 1);
    }
    return 0;
}
