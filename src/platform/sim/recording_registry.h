#pragma once
// The registry of a RecordingPlatform: passes every call to the machine it records, and notes
// each key opened and each value read under its key. Internal to the recording platform.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/sim/recording_record.h"

namespace vintrel::platform::sim {

// Keeps the key path of every handle it hands out, so that each value read is recorded
// under its key. While the record is replayed, writes are refused.
class RecordingRegistry : public Registry {
public:
    explicit RecordingRegistry(RecordingPlatform::Record& r) : r_(r) {}

    long openKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) override;
    long createKey(HKey parent, std::string_view subKey, HKey& result) override;
    long queryValue(HKey key, std::string_view valueName, std::uint32_t bufferSize, RegValue& value,
                    std::uint32_t& requiredSize) override;
    long setValue(HKey key, std::string_view valueName, std::uint32_t type, std::string_view data) override;
    long closeKey(HKey key) override;
    long enumKey(HKey key, std::uint32_t index, std::string& name) override;
    long queryInfoKey(HKey key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) override;
    std::size_t openHandleCount() const override;

private:
    Registry& inner() { return r_.inner->registry(); }
    std::optional<std::pair<HKey, std::string>> pathOf(HKey handle) const;
    void remember(HKey parent, std::string_view subKey, HKey result);

    RecordingPlatform::Record& r_;
    std::map<HKey, std::pair<HKey, std::string>> handles_;
};

}  // namespace vintrel::platform::sim
