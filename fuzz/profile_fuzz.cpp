// libFuzzer target for the machine-profile reader: any input either gives a profile within
// the documented ranges or a ProfileError naming the origin; no other exception escapes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/profile.h"

using namespace vintrel::platform;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    try {
        const sim::Profile p = sim::parseProfile(input, "fuzz.json");
        for (const auto& d : p.drives) check(d.type >= 0 && d.type <= 6);
        check(p.memory.memoryLoad <= 100);
        check(p.screen.width >= 0 && p.screen.height >= 0);
    } catch (const sim::ProfileError& e) {
        check(std::string(e.what()).starts_with("fuzz.json: "));
    }
    return 0;
}
