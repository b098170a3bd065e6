#pragma once
// What a RecordingPlatform has seen, shared by its groups (recording_platform.cpp) and the
// writing of the profile (recording_profile.cpp).

#include <array>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/sim/recording_platform.h"

namespace vintrel::platform::sim {

struct RecordingPlatform::Record {
    std::unique_ptr<Platform> inner;
    bool replaying = false;

    struct Drive {
        std::optional<int> type;
        bool volumeAsked = false, spaceAsked = false;
        std::optional<VolumeInformation> volume;
        std::optional<DiskSpace> space;
    };
    std::array<Drive, 26> drives{};
    std::optional<MemoryStatus> memory;

    // Time-stamp counter readings against the time slept before each.
    std::uint64_t sleptMs = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> counterReadings;  // (slept ms, counter)
    bool counterAsked = false, counterMissing = false;
    bool priorityRaiseFailed = false;
    std::uint64_t replayNanoseconds = 0;

    // Registry: keys found, with the values read (nullopt: asked for and missing). Keyed by
    // root and upper-case path, so that differently spelled reads are one key.
    struct Value {
        std::string name;
        std::optional<RegValue> value;
    };
    struct Key {
        HKey root = 0;
        std::string path;  // as first spelled
        bool exists = false;
        std::map<std::string, Value> values;  // by upper-case name
    };
    std::map<std::pair<HKey, std::string>, Key> keys;

    // Files: attributes and existence by DOS path as asked, ini entries by (file, section, key).
    std::map<std::string, std::uint32_t> attributes;
    std::map<std::string, bool> exists;
    struct IniEntry {
        std::string section, key, text;
        bool defaulted = false;  // the reader gave back the default: nothing there
    };
    std::map<std::tuple<std::string, std::string, std::string>, IniEntry> ini;  // upper-case keys
    std::map<std::string, std::string> iniFiles;                                // upper-case -> spelled

    std::optional<ScreenSize> screen;
    std::optional<std::vector<TopLevelWindow>> windows;
    std::optional<std::uint32_t> waveOut;
    std::optional<std::vector<PrinterInfo>> printers;
    std::optional<LocaleInfo> locale;
    std::optional<std::uint32_t> platformId;

    Key& key(HKey root, const std::string& path);
};

// Ticks per second of the recorded counter readings; nullopt without a counter or readings.
std::optional<std::uint64_t> recordedCounterRate(const RecordingPlatform::Record& record);

}  // namespace vintrel::platform::sim
