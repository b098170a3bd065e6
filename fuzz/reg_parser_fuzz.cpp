// Feeds arbitrary bytes to the .reg parser. A file that parses must also import, and its
// export must import again and export to the same bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/registry/reg_file.h"

namespace {

using namespace vintrel::registry;
using vintrel::platform::HKey;

constexpr HKey kRoots[] = {vintrel::platform::HKEY_LOCAL_MACHINE, vintrel::platform::HKEY_CURRENT_USER,
                           vintrel::platform::HKEY_CLASSES_ROOT};

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const RegParseResult parsed = parseRegFile(bytes);
    if (!parsed.ok) {
        if (parsed.error.line < 1 || parsed.error.message.empty()) broken("an error without line or message");
        if (!parsed.operations.empty()) broken("operations kept after an error");
        return 0;
    }
    auto store = RegistryStore::openInMemory();
    if (!store) broken("no in-memory store");
    if (!applyRegOperations(*store, parsed.operations).ok) broken("a parsed file failed to import");
    for (HKey root : kRoots) {
        long error = 0;
        const std::string first = exportRegFile(*store, root, "", &error);
        if (error != 0) broken("export failed");
        auto copy = RegistryStore::openInMemory();
        const RegImportResult again = importRegFile(*copy, first);
        if (!again.ok) {
            std::fprintf(stderr, "line %d: %s\n", again.error.line, again.error.message.c_str());
            broken("an export does not import");
        }
        if (exportRegFile(*copy, root, "", &error) != first) broken("export -> import -> export differs");
    }
    return 0;
}
