#pragma once
// The simulated provider: plays the machine a profile describes. Launches, top-most changes,
// log-off requests and priority changes are recorded, not performed, so tests can read them.

#include <memory>
#include <string>
#include <vector>

#include "platform/api/platform.h"
#include "platform/host/drive_map.h"
#include "platform/sim/profile.h"

namespace vintrel::platform::sim {

struct Record {
    std::vector<ShellRequest> launches;
    bool recentDocumentsCleared = false;
    std::vector<std::pair<std::uint64_t, bool>> topMostChanges;
    std::vector<std::uint32_t> exitRequests;
    std::vector<std::string> priorityLog;  // "class 256", "thread 15", ...
};

class SimPlatform : public Platform {
public:
    // root: the host folder under which the profile's drives and files live for this run.
    SimPlatform(Profile profile, std::string root);
    ~SimPlatform() override;

    DrivesAndMemory& drives() override;
    Files& files() override;
    Processor& processor() override;
    Registry& registry() override;
    UserInterface& ui() override;
    Shell& shell() override;
    Multimedia& multimedia() override;
    Spooler& spooler() override;
    Session& session() override;
    Locale& locale() override;
    std::uint32_t versionPlatformId() override { return profile_.platformId; }

    host::DriveMap& driveMap();
    Profile& profile() { return profile_; }
    Record& record() { return record_; }
    const std::string& root() const { return root_; }

private:
    friend std::unique_ptr<SimPlatform> makeSimPlatform(Profile, const std::string&, const std::string&);
    struct Groups;
    Profile profile_;
    std::string root_;
    Record record_;
    std::unique_ptr<Groups> groups_;
};

// Reads the profile, lays out its files under root and loads its registry; throws
// ProfileError with the file name and the problem.
std::unique_ptr<SimPlatform> makeSimPlatform(const std::string& profilePath, const std::string& root);
// The same for a profile already read; `origin` names it in messages.
std::unique_ptr<SimPlatform> makeSimPlatform(Profile profile, const std::string& root, const std::string& origin);

}  // namespace vintrel::platform::sim
