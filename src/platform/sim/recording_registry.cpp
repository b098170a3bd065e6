#include "platform/sim/recording_registry.h"

#include "platform/registry/key_path.h"
#include "text/cp1252.h"

namespace vintrel::platform::sim {

std::optional<std::pair<HKey, std::string>> RecordingRegistry::pathOf(HKey handle) const {
    if (registry::isRootKey(handle)) return std::pair<HKey, std::string>{handle, ""};
    const auto it = handles_.find(handle);
    if (it == handles_.end()) return std::nullopt;
    return it->second;
}

void RecordingRegistry::remember(HKey parent, std::string_view subKey, HKey result) {
    if (const auto at = pathOf(parent)) {
        const std::string path = registry::joinKeyPath(at->second, registry::normalizeKeyPath(subKey));
        handles_[result] = {at->first, path};
        r_.key(at->first, path).exists = true;
    }
}

long RecordingRegistry::openKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) {
    const long code = inner().openKey(parent, subKey, access, result);
    if (code == 0) remember(parent, subKey, result);
    return code;
}

long RecordingRegistry::createKey(HKey parent, std::string_view subKey, HKey& result) {
    if (r_.replaying) return ERROR_ACCESS_DENIED;
    const long code = inner().createKey(parent, subKey, result);
    if (code == 0) remember(parent, subKey, result);
    return code;
}

long RecordingRegistry::queryValue(HKey key, std::string_view valueName, std::uint32_t bufferSize, RegValue& value,
                                   std::uint32_t& requiredSize) {
    const long code = inner().queryValue(key, valueName, bufferSize, value, requiredSize);
    const auto at = pathOf(key);
    if (!at) return code;
    std::optional<RegValue> whole;
    if (code == 0) {
        whole = value;
    } else if (code == ERROR_MORE_DATA) {
        // Kept whole, so that the played machine answers a short buffer the same way.
        RegValue full;
        std::uint32_t size = 0;
        if (inner().queryValue(key, valueName, requiredSize, full, size) == 0) whole = std::move(full);
    } else if (code != ERROR_FILE_NOT_FOUND) {
        return code;
    }
    r_.key(at->first, at->second).values[text::upperCp1252(valueName)] = {std::string(valueName), whole};
    return code;
}

long RecordingRegistry::setValue(HKey key, std::string_view valueName, std::uint32_t type, std::string_view data) {
    return r_.replaying ? long{ERROR_ACCESS_DENIED} : inner().setValue(key, valueName, type, data);
}

long RecordingRegistry::closeKey(HKey key) {
    handles_.erase(key);
    return inner().closeKey(key);
}

long RecordingRegistry::enumKey(HKey key, std::uint32_t index, std::string& name) {
    return inner().enumKey(key, index, name);
}

long RecordingRegistry::queryInfoKey(HKey key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) {
    return inner().queryInfoKey(key, subKeys, maxSubKeyLength);
}

std::size_t RecordingRegistry::openHandleCount() const {
    return r_.inner->registry().openHandleCount();
}

}  // namespace vintrel::platform::sim
