// libFuzzer target for the machine-profile reader: any input either gives a profile within
// the documented ranges or a ProfileError naming the origin; no other exception escapes. A
// profile's folder and file names hold no NUL, its DOS paths split, and its registry text
// imports or reports a line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/host/dos_path.h"
#include "platform/registry/reg_file.h"
#include "platform/sim/profile.h"

using namespace vintrel;
using namespace vintrel::platform;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void checkContents(const sim::Profile& p) {
    for (const auto& d : p.drives) check(d.type >= 0 && d.type <= 6);
    check(p.memory.memoryLoad <= 100);
    check(p.screen.width >= 0 && p.screen.height >= 0);
    for (const std::string& folder : p.folders) {
        check(folder.find('\0') == std::string::npos);
        (void)host::splitDosPath(folder);
    }
    for (const auto& file : p.files) check(file.path.find('\0') == std::string::npos);
    if (!p.registryText.empty()) {
        auto store = registry::RegistryStore::openInMemory();
        check(store != nullptr);
        const registry::RegImportResult imported = registry::importRegFile(*store, p.registryText);
        if (!imported.ok) check(imported.error.line >= 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    sim::Profile profile;
    try {
        profile = sim::parseProfile(input, "fuzz.json");
    } catch (const sim::ProfileError& e) {
        check(std::string(e.what()).starts_with("fuzz.json: "));
        return 0;
    }
    checkContents(profile);
    return 0;
}
