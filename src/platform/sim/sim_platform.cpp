#include "platform/sim/sim_platform.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "platform/host/checked_math.h"
#include "platform/host/dos_path.h"
#include "platform/host/drive_map.h"
#include "platform/host/drive_root.h"
#include "platform/host/host_files.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/registry_store.h"
#include "platform/registry/store_registry.h"
#include "text/cp1252.h"

namespace vintrel::platform::sim {
namespace {

void announce(std::ostream* log, const std::string& line) {
    if (log) *log << "vintrel: simulated: " << line << std::endl;
}

std::string quotedText(std::string_view cp1252) {
    std::string out = "\"";
    for (const char c : text::cp1252ToUtf8(cp1252)) {
        if (c == '"') out += '"';
        out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c);
    }
    return out + '"';
}

class SimDrives : public DrivesAndMemory, public host::DriveMap {
public:
    SimDrives(const Profile& profile, std::string root) : profile_(profile), root_(std::move(root)) {}

    const DriveProfile* drive(std::string_view root) const {
        const auto letter = host::driveRootLetter(root);
        return letter ? &profile_.drives[static_cast<std::size_t>(*letter - 'A')] : nullptr;
    }

    int driveType(std::string_view root) override {
        const DriveProfile* d = drive(root);
        return d ? d->type : DRIVE_NO_ROOT_DIR;
    }

    std::optional<VolumeInformation> volumeInformation(std::string_view root) override {
        const DriveProfile* d = drive(root);
        if (!d || d->type == DRIVE_NO_ROOT_DIR || d->volumeQueryFails) return std::nullopt;
        return d->volume;
    }

    std::optional<DiskSpace> diskFreeSpace(std::string_view root) override {
        const DriveProfile* d = drive(root);
        if (!d || d->type == DRIVE_NO_ROOT_DIR || d->spaceQueryFails) return std::nullopt;
        return DiskSpace{d->freeBytes, d->totalBytes};
    }

    MemoryStatus memoryStatus() override { return profile_.memory; }

    std::optional<std::string> basePath(char letter) override {
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        if (letter < 'A' || letter > 'Z') return std::nullopt;
        if (profile_.drives[static_cast<std::size_t>(letter - 'A')].type == DRIVE_NO_ROOT_DIR)
            return std::nullopt;
        return root_ + "/" + letter;
    }

private:
    const Profile& profile_;
    std::string root_;
};

// A processor whose clock is virtual: sleeping advances it and the counter follows it.
class SimProcessor : public Processor {
public:
    SimProcessor(const Profile& profile, Record& record) : profile_(profile), record_(record) {}

    std::uint32_t priorityClass() override { return class_; }
    bool setPriorityClass(std::uint32_t value) override {
        record_.priorityLog.push_back("class " + std::to_string(value));
        if (profile_.priorityRaiseFails && value == REALTIME_PRIORITY_CLASS) return false;
        class_ = value;
        return true;
    }
    int threadPriority() override { return thread_; }
    bool setThreadPriority(int value) override {
        record_.priorityLog.push_back("thread " + std::to_string(value));
        if (profile_.priorityRaiseFails && value == THREAD_PRIORITY_TIME_CRITICAL) return false;
        thread_ = value;
        return true;
    }
    void sleepMs(std::uint32_t ms) override { nanoseconds_ += std::uint64_t{ms} * 1000000u; }
    std::optional<std::uint64_t> readTimeStampCounter() override {
        if (!profile_.tscTicksPerSecond) return std::nullopt;
        return host::mulDiv(nanoseconds_, *profile_.tscTicksPerSecond, 1000000000u);
    }

private:
    const Profile& profile_;
    Record& record_;
    std::uint32_t class_ = NORMAL_PRIORITY_CLASS;
    int thread_ = THREAD_PRIORITY_NORMAL;
    std::uint64_t nanoseconds_ = 0;  // 584 years of sleeps before it wraps
};

class SimUserInterface : public UserInterface {
public:
    SimUserInterface(const Profile& profile, Record& record, std::ostream* log)
        : profile_(profile), record_(record), log_(log) {}
    ScreenSize screenSize() override { return profile_.screen; }
    void setTopMost(std::uint64_t window, bool topMost) override {
        record_.topMostChanges.emplace_back(window, topMost);
        announce(log_, topMostLine(window, topMost));
    }
    std::vector<TopLevelWindow> topLevelWindows() override {
        std::vector<TopLevelWindow> out;
        std::uint64_t id = 1;
        for (const auto& title : profile_.windows) out.push_back({id++, title});
        return out;
    }

private:
    const Profile& profile_;
    Record& record_;
    std::ostream* log_;
};

class SimShell : public Shell {
public:
    SimShell(const Profile& profile, Record& record, std::ostream* log)
        : profile_(profile), record_(record), log_(log) {}
    std::intptr_t shellExecute(const ShellRequest& request) override {
        record_.launches.push_back(request);
        announce(log_, launchLine(request));
        return profile_.launchesFail ? 2 : 42;  // ERROR_FILE_NOT_FOUND: nothing started
    }
    void clearRecentDocuments() override {
        record_.recentDocumentsCleared = true;
        announce(log_, clearRecentDocumentsLine());
    }

private:
    const Profile& profile_;
    Record& record_;
    std::ostream* log_;
};

class SimMultimedia : public Multimedia {
public:
    explicit SimMultimedia(const Profile& profile) : profile_(profile) {}
    std::uint32_t waveOutDeviceCount() override { return profile_.waveOutDevices; }

private:
    const Profile& profile_;
};

class SimSpooler : public Spooler {
public:
    explicit SimSpooler(const Profile& profile) : profile_(profile) {}
    std::vector<PrinterInfo> installedPrinters() override { return profile_.printers; }

private:
    const Profile& profile_;
};

class SimSession : public Session {
public:
    SimSession(Record& record, std::ostream* log) : record_(record), log_(log) {}
    bool exitWindows(std::uint32_t flags) override {
        record_.exitRequests.push_back(flags);
        announce(log_, exitWindowsLine(flags));
        return true;
    }

private:
    Record& record_;
    std::ostream* log_;
};

class SimLocale : public Locale {
public:
    explicit SimLocale(const Profile& profile) : profile_(profile) {}
    LocaleInfo current() override { return profile_.locale; }
    // The profile's clock, else the real one.
    LocalTime localTime() override {
        if (profile_.localTime) return *profile_.localTime;
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        if (localtime_r(&now, &t) == nullptr) return {};
        return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
    }

private:
    const Profile& profile_;
};

// Windows's limits on the folders of a path; a profile that breaks them is refused.
constexpr std::size_t kMaxDosDepth = 512;
constexpr std::size_t kMaxDosName = 255;

host::DosPathParts checkDosPath(const std::string& dosPath, const char* what,
                                const std::string& profilePath) {
    auto fail = [&](const std::string& why) {
        throw ProfileError(profilePath + ": " + what + " " + text::cp1252ToUtf8(dosPath.substr(0, 200)) +
                           (dosPath.size() > 200 ? "..." : "") + ": " + why);
    };
    host::DosPathParts parts = host::splitDosPath(dosPath);
    if (parts.error != 0) fail("not a valid DOS path");
    if (parts.components.size() > kMaxDosDepth)
        fail("deeper than " + std::to_string(kMaxDosDepth) + " levels");
    for (const std::string& name : parts.components)
        if (name.size() > kMaxDosName)
            fail("a name is longer than " + std::to_string(kMaxDosName) + " characters");
    return parts;
}

// Creates a profile's folder level by level, each from the last one made or found (not from
// the drive root again), with the matching rule of DOS paths. Stops the run when it cannot.
void makeFolder(SimPlatform& sim, const std::string& dosPath, const std::string& profilePath) {
    const host::DosPathParts parts = checkDosPath(dosPath, "folder", profilePath);
    auto fail = [&](const std::string& why) {
        throw ProfileError(profilePath + ": cannot create folder " + text::cp1252ToUtf8(dosPath) + " (" +
                           why + ")");
    };
    const auto base = sim.driveMap().basePath(parts.drive);
    if (!base) fail(std::string("the profile has no drive ") + parts.drive + ":");
    std::string current = *base;
    for (const std::string& name : parts.components) {
        const host::EntryLookup found = host::findEntryIgnoringCase(current, name);
        if (found.error != 0) fail("error " + std::to_string(found.error));
        current += "/" + (found.name ? *found.name : text::cp1252ToUtf8(name));
        if (!found.name && ::mkdir(current.c_str(), 0777) != 0 && errno != EEXIST) fail(std::strerror(errno));
    }
    struct stat st {};
    if (::stat(current.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) fail("a file of that name is in the way");
}

}  // namespace

struct SimPlatform::Groups {
    SimDrives drives;
    std::unique_ptr<Files> files;
    SimProcessor processor;
    std::shared_ptr<registry::RegistryStore> store;
    std::unique_ptr<Registry> registry;
    SimUserInterface ui;
    SimShell shell;
    SimMultimedia multimedia;
    SimSpooler spooler;
    SimSession session;
    SimLocale locale;

    Groups(const Profile& p, const std::string& root, Record& r, const SimRunOptions& options)
        : drives(p, root),
          files(host::makeHostFiles(drives)),
          processor(p, r),
          store(openStore(root, options)),
          registry(registry::makeStoreRegistry(store)),
          ui(p, r, options.actionLog),
          shell(p, r, options.actionLog),
          multimedia(p),
          spooler(p),
          session(r, options.actionLog),
          locale(p) {}

    static std::shared_ptr<registry::RegistryStore> openStore(const std::string& root,
                                                              const SimRunOptions& options) {
        if (!options.keepRegistry) return registry::RegistryStore::openInMemory();
        std::string error;
        auto kept = registry::RegistryStore::open(registry::databasePath(root), error);
        if (!kept) throw ProfileError("cannot keep the registry under " + root + ": " + error);
        return kept;
    }
};

std::string launchLine(const ShellRequest& request) {
    std::string line = "launch " + quotedText(request.file) + " " + quotedText(request.parameters);
    if (!request.directory.empty()) line += " dir=" + quotedText(request.directory);
    if (!request.operation.empty()) line += " verb=" + quotedText(request.operation);
    return line + " show=" + std::to_string(request.showCommand);
}

std::string topMostLine(std::uint64_t window, bool topMost) {
    return "top-most window=" + std::to_string(window) + (topMost ? " on" : " off");
}

std::string exitWindowsLine(std::uint32_t flags) {
    if (flags == EWX_LOGOFF) return "log-off";
    if (flags == EWX_REBOOT) return "restart";
    return "exit-windows flags=" + std::to_string(flags);
}

std::string clearRecentDocumentsLine() {
    return "clear-recent-documents";
}

SimPlatform::SimPlatform(Profile profile, std::string root, SimRunOptions options)
    : profile_(std::move(profile)), root_(std::move(root)) {
    groups_ = std::make_unique<Groups>(profile_, root_, record_, options);
}

SimPlatform::~SimPlatform() = default;

DrivesAndMemory& SimPlatform::drives() {
    return groups_->drives;
}
Files& SimPlatform::files() {
    return *groups_->files;
}
Processor& SimPlatform::processor() {
    return groups_->processor;
}
Registry& SimPlatform::registry() {
    return *groups_->registry;
}
UserInterface& SimPlatform::ui() {
    return groups_->ui;
}
Shell& SimPlatform::shell() {
    return groups_->shell;
}
Multimedia& SimPlatform::multimedia() {
    return groups_->multimedia;
}
Spooler& SimPlatform::spooler() {
    return groups_->spooler;
}
Session& SimPlatform::session() {
    return groups_->session;
}
Locale& SimPlatform::locale() {
    return groups_->locale;
}
host::DriveMap& SimPlatform::driveMap() {
    return groups_->drives;
}

std::unique_ptr<SimPlatform> makeSimPlatform(const std::string& profilePath, const std::string& root,
                                             SimRunOptions options) {
    return makeSimPlatform(loadProfile(profilePath), root, profilePath, options);
}

std::unique_ptr<SimPlatform> makeSimPlatform(Profile profile, const std::string& root,
                                             const std::string& profilePath, SimRunOptions options) {
    auto sim = std::make_unique<SimPlatform>(std::move(profile), root, options);
    namespace fs = std::filesystem;
    std::error_code ec;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const auto base = sim->driveMap().basePath(letter);
        if (base && !fs::create_directories(*base, ec) && ec)
            throw ProfileError(profilePath + ": cannot create the folder of drive " + letter + ": " + *base +
                               " (" + ec.message() + ")");
    }
    for (const auto& file : sim->profile().files) {
        const host::DosPathParts parts = checkDosPath(file.path, "file", profilePath);
        if (!sim->driveMap().basePath(parts.drive))
            throw ProfileError(profilePath + ": cannot create file " + text::cp1252ToUtf8(file.path) +
                               " (the profile has no drive " + parts.drive + ":)");
    }
    for (const auto& folder : sim->profile().folders) makeFolder(*sim, folder, profilePath);
    Files& files = sim->files();
    for (const auto& file : sim->profile().files) {
        if (const auto code = files.writeWholeFile(file.path, file.content); code != 0)
            throw ProfileError(profilePath + ": cannot create file " + text::cp1252ToUtf8(file.path) +
                               " (error " + std::to_string(code) + ")");
    }
    if (const auto depth = sim->profile().bitsPerPixel) {
        // Where the display configuration keeps it; the profile's registry text may override it.
        const std::string text = std::to_string(*depth);
        sim->groups_->store->setValue(HKEY_LOCAL_MACHINE, "Config\\0001\\Display\\Settings", "BitsPerPixel",
                                      REG_SZ, std::string_view(text.c_str(), text.size() + 1));
    }
    if (!sim->profile().registryText.empty()) {
        const auto imported = registry::importRegFile(*sim->groups_->store, sim->profile().registryText);
        if (!imported.ok)
            throw ProfileError(profilePath + ": registry line " + std::to_string(imported.error.line) + ": " +
                               imported.error.message);
    }
    return sim;
}

}  // namespace vintrel::platform::sim
