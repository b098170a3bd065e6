#include "platform/api/platform.h"

#include <cstdio>
#include <cstdlib>

namespace vintrel::platform {
namespace {
Platform* g_current = nullptr;
unsigned long g_installation = 0;
}

Platform& current() {
    if (g_current == nullptr) {
        std::fputs("vintrel: no platform installed\n", stderr);
        std::abort();
    }
    return *g_current;
}

bool installed() { return g_current != nullptr; }

unsigned long installation() { return g_installation; }

std::optional<RegValue> Registry::wholeValue(HKey key, const std::string& name) {
    RegValue value;
    std::uint32_t required = 0;
    long result = queryValue(key, name, 4096, value, required);
    if (result == ERROR_MORE_DATA) result = queryValue(key, name, required, value, required);
    if (result != 0) return std::nullopt;
    return value;
}

long Registry::subKeyValues(HKey root, std::string_view keyPath, const std::vector<std::string>& valueNames,
                            const SubKeyVisitor& visit) {
    HKey key = 0;
    if (const long error = openKey(root, keyPath, KEY_ALL_ACCESS, key)) return error;
    std::vector<std::string> names;
    std::uint32_t count = 0, longest = 0;
    if (queryInfoKey(key, count, longest) == 0)
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string name;
            if (enumKey(key, i, name) == 0) names.push_back(std::move(name));
        }
    closeKey(key);
    std::string base(keyPath);
    if (!base.empty() && base.back() != '\\') base += '\\';
    for (std::string& name : names) {
        HKey subKey = 0;
        if (openKey(root, base + name, KEY_ALL_ACCESS, subKey) != 0) continue;
        std::vector<std::optional<RegValue>> values;
        values.reserve(valueNames.size());
        for (const std::string& valueName : valueNames) values.push_back(wholeValue(subKey, valueName));
        closeKey(subKey);
        visit(name, values.data());
    }
    return 0;
}

ScopedPlatform::ScopedPlatform(std::unique_ptr<Platform> platform)
    : platform_(std::move(platform)), previous_(g_current) {
    g_current = platform_.get();
    ++g_installation;
}

ScopedPlatform::~ScopedPlatform() {
    g_current = previous_;
    ++g_installation;
}

}  // namespace vintrel::platform
