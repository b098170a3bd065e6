#pragma once
// A table of live values: each (root, key path, value name) has a producer that is asked at
// read time. Key paths and value names match without regard to letter case.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/live_keys.h"

namespace vintrel::registry {

class LiveKeyTable : public LiveKeys {
public:
    // Returns the value's text (Windows-1252, stored as REG_SZ with its NUL), or nullopt when
    // the value is absent on this machine right now.
    using Producer = std::function<std::optional<std::string>()>;

    void addString(platform::HKey root, std::string keyPath, std::string valueName, Producer producer);

    std::optional<platform::RegValue> value(platform::HKey root, std::string_view keyPath,
                                            std::string_view valueName) override;
    bool keyExists(platform::HKey root, std::string_view keyPath) override;
    std::vector<std::string> subKeys(platform::HKey root, std::string_view keyPath) override;
    std::vector<std::string> valueNames(platform::HKey root, std::string_view keyPath) override;
    ValueRows subKeyValues(platform::HKey root, std::string_view keyPath, const std::vector<std::string>& subKeys,
                           const std::vector<std::string>& valueNames) override;

private:
    struct Entry {
        platform::HKey root;
        std::string keyPath;
        std::string valueName;
        Producer producer;
        // Folded once here, so that a lookup folds only the path it is asked for.
        std::string foldedPath;
        std::string foldedName;
    };
    std::vector<Entry> entries_;
};

}  // namespace vintrel::registry
