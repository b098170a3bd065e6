// The profile of what a RecordingPlatform recorded.

#include <charconv>

#include "platform/api/registry_locations.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/registry_store.h"
#include "platform/sim/recording_record.h"
#include "text/cp1252.h"

namespace vintrel::platform::sim {
namespace {

// Drops the sections of keys that hold no value and have a subkey after them: importing the
// subkey creates them again.
std::string withoutEmptyParents(const std::string& text) {
    struct Section {
        std::string header, body;
    };
    std::vector<Section> sections;
    std::string head;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (!line.empty() && line.front() == '[')
            sections.push_back({line, ""});
        else if (sections.empty())
            head += line + "\r\n";
        else if (!line.empty())
            sections.back().body += line + "\r\n";
    }
    std::string out = head;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const std::string& header = sections[i].header;
        const std::string prefix = header.substr(0, header.size() - 1) + "\\";
        if (sections[i].body.empty() && i + 1 < sections.size() && sections[i + 1].header.starts_with(prefix))
            continue;
        out += "\r\n" + header + "\r\n" + sections[i].body;
    }
    return out + "\r\n";
}

// Every key of the store as one REGEDIT4 text, the roots in a fixed order.
std::string registryText(registry::RegistryStore& store) {
    std::string out = "REGEDIT4\r\n";
    for (const HKey root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) {
        std::vector<std::string> children;
        if (store.subKeys(root, "", children) != 0) continue;
        for (const std::string& child : children) {
            std::string part = registry::exportRegFile(store, root, child);
            // Without its header and its closing blank line.
            part.erase(0, part.find("\r\n") + 2);
            if (part.size() >= 2) part.resize(part.size() - 2);
            out += part;
        }
    }
    return withoutEmptyParents(out);
}

std::string recordedRegistry(const RecordingPlatform::Record& r, std::optional<std::uint32_t>& bitsPerPixel) {
    auto store = registry::RegistryStore::openInMemory();
    bool any = false;
    for (const auto& [where, key] : r.keys) {
        if (!key.exists) continue;
        store->createKey(key.root, key.path);
        any = true;
        for (const auto& [folded, value] : key.values) {
            if (!value.value) continue;
            store->setValue(key.root, key.path, value.name, value.value->type, value.value->data);
            if (key.root == HKEY_LOCAL_MACHINE &&
                text::upperCp1252(key.path) == "CONFIG\\0001\\DISPLAY\\SETTINGS" &&
                folded == "BITSPERPIXEL") {
                const std::string& d = value.value->data;
                std::uint32_t bits = 0;
                const auto end = d.data() + d.find('\0');
                if (const auto [at, error] = std::from_chars(d.data(), end, bits);
                    error == std::errc() && at == end)
                    bitsPerPixel = bits;
            }
        }
    }
    return any ? registryText(*store) : std::string();
}

void recordedFiles(const RecordingPlatform::Record& r, Profile& profile) {
    std::map<std::string, std::string> files;  // upper-case path -> spelled, content
    std::map<std::string, std::string> spelled;
    auto addFile = [&](const std::string& path) {
        const std::string upper = text::upperCp1252(path);
        spelled.emplace(upper, path);
        files.emplace(upper, "");
    };
    for (const auto& [path, attributes] : r.attributes) {
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            profile.folders.push_back(path);
        else
            addFile(path);
    }
    for (const auto& [path, found] : r.exists)
        if (found) addFile(path);
    // The ini entries read, each in its section, in the file that holds them.
    std::map<std::string, std::map<std::string, std::string>> sections;  // file -> section -> lines
    for (const auto& [where, entry] : r.ini) {
        if (entry.defaulted) continue;
        const std::string& file = std::get<0>(where);
        addFile(r.iniFiles.at(file));
        auto& lines = sections[file];
        std::string& text = lines[entry.section];
        text += entry.key + "=" + entry.text + "\r\n";
    }
    for (const auto& [file, bySection] : sections)
        for (const auto& [section, lines] : bySection) files[file] += "[" + section + "]\r\n" + lines;
    for (const auto& [upper, content] : files) {
        const std::string& path = spelled.at(upper);
        profile.files.push_back({path, content});
        // The played machine needs the folder to put the file in.
        const auto slash = path.find_last_of('\\');
        if (slash != std::string::npos && slash > 2) profile.folders.push_back(path.substr(0, slash));
    }
}

constexpr std::string_view kVersionKey = reg::kVersionKey;

}  // namespace

std::vector<std::string> replacePersonalValues(Profile& profile) {
    std::vector<std::string> replaced;
    auto quoted = [](std::string_view cp1252) { return "\"" + text::cp1252ToUtf8(cp1252) + "\""; };
    if (!profile.registryText.empty()) {
        auto store = registry::RegistryStore::openInMemory();
        if (registry::importRegFile(*store, profile.registryText).ok) {
            static constexpr std::pair<const char*, const char*> kPersonal[] = {
                {"RegisteredOwner", "Owner"},
                {"RegisteredOrganization", "Organization"},
                {"ProductId", "00000-OEM-0000000-00000"},
            };
            bool changed = false;
            for (const auto& [name, placeholder] : kPersonal) {
                RegValue value;
                if (store->getValue(HKEY_LOCAL_MACHINE, kVersionKey, name, value) != 0) continue;
                if (value.data.substr(0, value.data.find('\0')).empty()) continue;
                const std::string data = std::string(placeholder) + '\0';
                store->setValue(HKEY_LOCAL_MACHINE, kVersionKey, name, REG_SZ, data);
                replaced.push_back(std::string(name) + " replaced by " + quoted(placeholder));
                changed = true;
            }
            if (changed) profile.registryText = registryText(*store);
        } else {
            // Text that does not read back (a name with a line break) cannot be searched for
            // the owner's name: it is left out rather than written as it is.
            profile.registryText.clear();
            replaced.push_back(
                "the registry left out: it does not read back, so its personal values cannot be replaced");
        }
    }
    for (std::size_t i = 0; i < profile.drives.size(); ++i) {
        std::uint32_t& serial = profile.drives[i].volume.serialNumber;
        if (serial == 0) continue;
        serial = 0;
        replaced.push_back(std::string("the volume serial number of drive ") + static_cast<char>('A' + i) +
                           ": replaced by 00000000");
    }
    for (std::size_t i = 0; i < profile.windows.size(); ++i) {
        if (profile.windows[i].empty()) continue;
        profile.windows[i] = "Window " + std::to_string(i + 1);
        replaced.push_back("window title " + std::to_string(i + 1) + " replaced by " +
                           quoted(profile.windows[i]));
    }
    for (std::size_t i = 0; i < profile.printers.size(); ++i) {
        if (profile.printers[i].ports.empty()) continue;
        profile.printers[i].ports = "LPT1:";
        replaced.push_back("the port of printer " + std::to_string(i + 1) + " replaced by \"LPT1:\"");
    }
    return replaced;
}

Profile RecordingPlatform::profile() const {
    const Record& r = *record_;
    Profile profile;
    for (std::size_t i = 0; i < r.drives.size(); ++i) {
        const Record::Drive& d = r.drives[i];
        DriveProfile& out = profile.drives[i];
        if (!d.type) continue;
        out.type = *d.type;
        if (d.volumeAsked) {
            if (d.volume)
                out.volume = *d.volume;
            else
                out.volumeQueryFails = true;
        }
        if (d.spaceAsked) {
            if (d.space) {
                out.totalBytes = d.space->totalBytes;
                out.freeBytes = d.space->freeBytesAvailableToCaller;
            } else {
                out.spaceQueryFails = true;
            }
        }
    }
    if (r.memory) profile.memory = *r.memory;
    if (r.screen) profile.screen = *r.screen;
    if (r.locale) profile.locale = *r.locale;
    profile.registryText = recordedRegistry(r, profile.bitsPerPixel);
    recordedFiles(r, profile);
    if (r.waveOut) profile.waveOutDevices = *r.waveOut;
    profile.tscTicksPerSecond = recordedCounterRate(r);
    profile.priorityRaiseFails = r.priorityRaiseFailed;
    if (r.printers) profile.printers = *r.printers;
    if (r.windows)
        for (const TopLevelWindow& w : *r.windows) profile.windows.push_back(w.title);
    profile.platformId = r.platformId.value_or(r.inner->versionPlatformId());
    return profile;
}

}  // namespace vintrel::platform::sim
