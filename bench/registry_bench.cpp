// One registry value read as `vintrel-reg query KEY /v NAME` reads it: the store opened, the
// value looked up with the spelling it was stored with, the store closed, on an empty store
// and on one whose key holds 100,000 values (closed cleanly before, as a user's store is).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "platform/registry/reg_command.h"
#include "platform/registry/registry_store.h"

namespace {
using namespace vintrel;
namespace fs = std::filesystem;

// A store file with `values` values under HKCU\Software\Bench, made once per size.
std::string storeWith(long values) {
    const fs::path folder = fs::temp_directory_path() / ("vintrel-registry-bench-" + std::to_string(::getpid()) +
                                                         "-" + std::to_string(values));
    const std::string file = (folder / "registry.sqlite3").string();
    if (fs::exists(file)) return file;
    fs::create_directories(folder);
    std::string error;
    auto store = registry::RegistryStore::open(file, error);
    store->transaction([&]() -> long {
        for (long i = 0; i < values; ++i)
            store->setValue(platform::HKEY_CURRENT_USER, "Software\\Bench", "Value" + std::to_string(i),
                            platform::REG_SZ, std::string("data\0", 5));
        return store->setValue(platform::HKEY_CURRENT_USER, "Software\\Bench", "Wanted", platform::REG_SZ,
                               std::string("yes\0", 4));
    });
    return file;
}

void BM_RegQueryOneValue(benchmark::State& state) {
    const std::string file = storeWith(state.range(0));
    std::ostringstream out, err;
    registry::RegCommandContext context;
    context.out = &out;
    context.err = &err;
    context.openStore = [&](std::string& error) { return registry::RegistryStore::open(file, error); };
    const std::vector<std::string> args{"query", "HKCU\\Software\\Bench", "/v", "WANTED"};
    for (auto _ : state) {
        out.str("");
        if (registry::runRegCommand(args, context) != 0) state.SkipWithError("query failed");
    }
    if (out.str().find("Wanted    REG_SZ    yes") == std::string::npos) state.SkipWithError(out.str().c_str());
}
BENCHMARK(BM_RegQueryOneValue)->Arg(0)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
