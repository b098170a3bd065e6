#pragma once
// Live keys: registry keys and values that a provider answers from the running system at
// read time (product name, processor vendor, display adapter...). A value written to the
// store overrides the live one.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/platform.h"

namespace vintrel::registry {

class LiveKeys {
public:
    virtual ~LiveKeys() = default;
    // keyPath is relative to root, backslash-separated, in any letter case.
    virtual std::optional<platform::RegValue> value(platform::HKey root, std::string_view keyPath,
                                                    std::string_view valueName) = 0;
    // True for every key that holds a live value and for each of its ancestors.
    virtual bool keyExists(platform::HKey root, std::string_view keyPath) = 0;
    // Names of the live subkeys directly under keyPath, each once (letter case aside).
    virtual std::vector<std::string> subKeys(platform::HKey root, std::string_view keyPath) = 0;
    // Names of the values present under keyPath right now, in a stable order.
    virtual std::vector<std::string> valueNames(platform::HKey root, std::string_view keyPath) = 0;

    // What value() gives for each of `valueNames` under each of `subKeys` of keyPath, row by
    // row (valueNames.size() a subkey, in the order asked), none where missing; nothing at
    // all when the source has none of them. In one call, so that a source finds keyPath once
    // for all of them.
    using ValueRows = std::vector<std::optional<platform::RegValue>>;
    virtual ValueRows subKeyValues(platform::HKey root, std::string_view keyPath,
                                   const std::vector<std::string>& subKeys,
                                   const std::vector<std::string>& valueNames) {
        ValueRows rows;
        rows.reserve(subKeys.size() * valueNames.size());
        for (const std::string& subKey : subKeys) {
            const std::string path = std::string(keyPath) + "\\" + subKey;
            for (const std::string& name : valueNames) rows.push_back(value(root, path, name));
        }
        return rows;
    }
};

}  // namespace vintrel::registry
