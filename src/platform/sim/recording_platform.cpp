#include "platform/sim/recording_platform.h"

#include <map>

#include "platform/host/checked_math.h"
#include "platform/host/drive_root.h"
#include "platform/registry/key_path.h"
#include "platform/sim/recording_record.h"
#include "platform/sim/recording_registry.h"
#include "text/cp1252.h"

namespace vintrel::platform::sim {

using Record = RecordingPlatform::Record;

RecordingPlatform::Record::Key& RecordingPlatform::Record::key(HKey root, const std::string& path) {
    const std::string normal = registry::normalizeKeyPath(path);
    Key& k = keys[{root, text::upperCp1252(normal)}];
    if (k.root == 0) {
        k.root = root;
        k.path = normal;
    }
    return k;
}

namespace {

class RecordingDrives : public DrivesAndMemory {
public:
    explicit RecordingDrives(Record& r) : r_(r) {}

    Record::Drive* drive(std::string_view root) {
        const auto letter = host::driveRootLetter(root);
        return letter ? &r_.drives[static_cast<std::size_t>(*letter - 'A')] : nullptr;
    }

    int driveType(std::string_view root) override {
        const int type = r_.inner->drives().driveType(root);
        if (Record::Drive* d = drive(root)) d->type = type;
        return type;
    }
    std::optional<VolumeInformation> volumeInformation(std::string_view root) override {
        Record::Drive* d = drive(root);
        if (r_.replaying && d && d->volumeAsked) return d->volume;
        auto answer = r_.inner->drives().volumeInformation(root);
        if (d) {
            d->volumeAsked = true;
            d->volume = answer;
        }
        return answer;
    }
    std::optional<DiskSpace> diskFreeSpace(std::string_view root) override {
        Record::Drive* d = drive(root);
        if (r_.replaying && d && d->spaceAsked) return d->space;
        auto answer = r_.inner->drives().diskFreeSpace(root);
        if (d) {
            d->spaceAsked = true;
            d->space = answer;
        }
        return answer;
    }
    MemoryStatus memoryStatus() override {
        if (r_.replaying && r_.memory) return *r_.memory;
        r_.memory = r_.inner->drives().memoryStatus();
        return *r_.memory;
    }

private:
    Record& r_;
};

class RecordingFiles : public Files {
public:
    explicit RecordingFiles(Record& r) : r_(r) {}
    Files& inner() { return r_.inner->files(); }

    std::uint32_t fileAttributes(std::string_view path) override {
        const std::uint32_t answer = inner().fileAttributes(path);
        r_.attributes[std::string(path)] = answer;
        return answer;
    }
    std::uint32_t createDirectory(std::string_view path) override {
        return r_.replaying ? std::uint32_t{ERROR_ACCESS_DENIED} : inner().createDirectory(path);
    }
    std::uint32_t removeDirectory(std::string_view path) override {
        return r_.replaying ? std::uint32_t{ERROR_ACCESS_DENIED} : inner().removeDirectory(path);
    }
    bool fileExists(std::string_view path) override {
        const bool answer = inner().fileExists(path);
        r_.exists[std::string(path)] = answer;
        return answer;
    }
    std::uint32_t writeWholeFile(std::string_view path, std::string_view bytes) override {
        return r_.replaying ? std::uint32_t{ERROR_ACCESS_DENIED} : inner().writeWholeFile(path, bytes);
    }
    std::string privateProfileString(std::string_view section, std::string_view key,
                                     std::string_view defaultText, std::uint32_t bufferSize,
                                     std::string_view file) override {
        std::string answer = inner().privateProfileString(section, key, defaultText, bufferSize, file);
        // Asked again with another default, an entry that is there answers the same.
        const std::string marker = std::string(defaultText) + "\x01";
        const bool defaulted =
            answer == defaultText && inner().privateProfileString(section, key, marker, 4096, file) == marker;
        const std::string upperFile = text::upperCp1252(file);
        r_.iniFiles.emplace(upperFile, std::string(file));
        r_.ini[{upperFile, text::upperCp1252(section), text::upperCp1252(key)}] = {
            std::string(section), std::string(key), answer, defaulted};
        return answer;
    }
    std::string hostPath(std::string_view path) override { return inner().hostPath(path); }

private:
    Record& r_;
};

// Counter readings are kept with the time slept before each, so that the rate follows from
// any two of them. Once the rate is known, replaying runs the counter on a virtual clock.
class RecordingProcessor : public Processor {
public:
    explicit RecordingProcessor(Record& r) : r_(r) {}
    Processor& inner() { return r_.inner->processor(); }
    bool virtualClock() const {
        return r_.replaying && (r_.counterReadings.size() >= 2 || r_.counterMissing);
    }

    std::uint32_t priorityClass() override { return virtualClock() ? class_ : inner().priorityClass(); }
    bool setPriorityClass(std::uint32_t value) override {
        if (virtualClock()) return class_ = value, true;
        const bool done = inner().setPriorityClass(value);
        if (!done && value == REALTIME_PRIORITY_CLASS) r_.priorityRaiseFailed = true;
        return done;
    }
    int threadPriority() override { return virtualClock() ? thread_ : inner().threadPriority(); }
    bool setThreadPriority(int value) override {
        if (virtualClock()) return thread_ = value, true;
        const bool done = inner().setThreadPriority(value);
        if (!done && value == THREAD_PRIORITY_TIME_CRITICAL) r_.priorityRaiseFailed = true;
        return done;
    }
    void sleepMs(std::uint32_t ms) override {
        if (virtualClock()) {
            r_.replayNanoseconds += std::uint64_t{ms} * 1000000u;
            return;
        }
        inner().sleepMs(ms);
        r_.sleptMs += ms;
    }
    std::optional<std::uint64_t> readTimeStampCounter() override {
        if (virtualClock()) {
            const auto rate = recordedCounterRate(r_);
            if (!rate) return std::nullopt;
            return host::mulDiv(r_.replayNanoseconds, *rate, 1000000000u);
        }
        const auto answer = inner().readTimeStampCounter();
        r_.counterAsked = true;
        if (!answer) {
            r_.counterMissing = true;
        } else {
            r_.counterMissing = false;
            r_.counterReadings.emplace_back(r_.sleptMs, *answer);
        }
        return answer;
    }

    // Ticks per second between the last two readings that have time slept between them:
    // twice the ticks of a 500 ms sleep, so that the clock measurement reads them back exactly.
    static std::optional<std::uint64_t> recordedCounterRate(const Record& r) {
        if (r.counterMissing) return std::nullopt;
        const auto& v = r.counterReadings;
        for (std::size_t i = v.size(); i >= 2; --i) {
            const auto& [ms1, ticks1] = v[i - 2];
            const auto& [ms2, ticks2] = v[i - 1];
            if (ms2 > ms1 && ticks2 >= ticks1) return host::mulDiv(ticks2 - ticks1, 1000u, ms2 - ms1);
        }
        return std::nullopt;
    }

private:
    Record& r_;
    std::uint32_t class_ = NORMAL_PRIORITY_CLASS;
    int thread_ = THREAD_PRIORITY_NORMAL;
};

class RecordingUserInterface : public UserInterface {
public:
    explicit RecordingUserInterface(Record& r) : r_(r) {}
    std::optional<FrameExtents> frameExtents(std::uint64_t window) override {
        return r_.inner->ui().frameExtents(window);
    }
    ScreenSize screenSize() override { return *(r_.screen = r_.inner->ui().screenSize()); }
    void setTopMost(std::uint64_t window, bool topMost) override {
        if (!r_.replaying) r_.inner->ui().setTopMost(window, topMost);
    }
    std::vector<TopLevelWindow> topLevelWindows() override {
        return *(r_.windows = r_.inner->ui().topLevelWindows());
    }

private:
    Record& r_;
};

class RecordingShell : public Shell {
public:
    explicit RecordingShell(Record& r) : r_(r) {}
    std::intptr_t shellExecute(const ShellRequest& request) override {
        return r_.replaying ? std::intptr_t{ERROR_ACCESS_DENIED} : r_.inner->shell().shellExecute(request);
    }
    void clearRecentDocuments() override {
        if (!r_.replaying) r_.inner->shell().clearRecentDocuments();
    }

private:
    Record& r_;
};

class RecordingMultimedia : public Multimedia {
public:
    explicit RecordingMultimedia(Record& r) : r_(r) {}
    std::uint32_t waveOutDeviceCount() override {
        return *(r_.waveOut = r_.inner->multimedia().waveOutDeviceCount());
    }

private:
    Record& r_;
};

class RecordingSpooler : public Spooler {
public:
    explicit RecordingSpooler(Record& r) : r_(r) {}
    std::vector<PrinterInfo> installedPrinters() override {
        return *(r_.printers = r_.inner->spooler().installedPrinters());
    }

private:
    Record& r_;
};

class RecordingSession : public Session {
public:
    explicit RecordingSession(Record& r) : r_(r) {}
    bool exitWindows(std::uint32_t flags) override {
        return !r_.replaying && r_.inner->session().exitWindows(flags);
    }

private:
    Record& r_;
};

class RecordingLocale : public Locale {
public:
    explicit RecordingLocale(Record& r) : r_(r) {}
    LocaleInfo current() override { return *(r_.locale = r_.inner->locale().current()); }
    LocalTime localTime() override { return r_.inner->locale().localTime(); }

private:
    Record& r_;
};

}  // namespace

struct RecordingPlatform::Groups {
    RecordingDrives drives;
    RecordingFiles files;
    RecordingProcessor processor;
    RecordingRegistry registry;
    RecordingUserInterface ui;
    RecordingShell shell;
    RecordingMultimedia multimedia;
    RecordingSpooler spooler;
    RecordingSession session;
    RecordingLocale locale;
    explicit Groups(Record& r)
        : drives(r),
          files(r),
          processor(r),
          registry(r),
          ui(r),
          shell(r),
          multimedia(r),
          spooler(r),
          session(r),
          locale(r) {}
};

std::optional<std::uint64_t> recordedCounterRate(const RecordingPlatform::Record& r) {
    return RecordingProcessor::recordedCounterRate(r);
}

RecordingPlatform::RecordingPlatform(std::unique_ptr<Platform> inner)
    : record_(std::make_unique<Record>()), groups_(std::make_unique<Groups>(*record_)) {
    record_->inner = std::move(inner);
}

RecordingPlatform::~RecordingPlatform() = default;

std::uint32_t RecordingPlatform::versionPlatformId() {
    return *(record_->platformId = record_->inner->versionPlatformId());
}
DrivesAndMemory& RecordingPlatform::drives() {
    return groups_->drives;
}
Files& RecordingPlatform::files() {
    return groups_->files;
}
Processor& RecordingPlatform::processor() {
    return groups_->processor;
}
Registry& RecordingPlatform::registry() {
    return groups_->registry;
}
UserInterface& RecordingPlatform::ui() {
    return groups_->ui;
}
Shell& RecordingPlatform::shell() {
    return groups_->shell;
}
Multimedia& RecordingPlatform::multimedia() {
    return groups_->multimedia;
}
Spooler& RecordingPlatform::spooler() {
    return groups_->spooler;
}
Session& RecordingPlatform::session() {
    return groups_->session;
}
Locale& RecordingPlatform::locale() {
    return groups_->locale;
}
Platform& RecordingPlatform::inner() {
    return *record_->inner;
}
void RecordingPlatform::startReplay() {
    record_->replaying = true;
}

}  // namespace vintrel::platform::sim
