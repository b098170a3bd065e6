#pragma once
// The simulated provider: plays the machine a profile describes. Launches, top-most changes,
// log-off requests and priority changes are recorded, not performed, so tests can read them.

#include <iosfwd>
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

// How a run of the program (rather than a test) plays the machine.
struct SimRunOptions {
    // Where each recorded action is announced as one line (see docs/machine-profile.md),
    // e.g. "vintrel: simulated: launch "Notepad.exe" "C:\WINDOWS\Desktop\Sistema.txt" show=3".
    // Null: recorded silently, as tests want.
    std::ostream* actionLog = nullptr;
    // Keep the registry in the database under the root (as the Linux provider does), so that
    // vintrel-reg with the same root sees what the run wrote; else it lives in memory.
    bool keepRegistry = false;
};

// One announcement line for each recorded action, without the line end (UTF-8). Texts are
// quoted, a quote inside doubled, control characters shown as "?".
std::string launchLine(const ShellRequest& request);
std::string topMostLine(std::uint64_t window, bool topMost);
std::string exitWindowsLine(std::uint32_t flags);
std::string clearRecentDocumentsLine();

class SimPlatform : public Platform {
public:
    // root: the host folder under which the profile's drives and files live for this run.
    SimPlatform(Profile profile, std::string root, SimRunOptions options = {});
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
    friend std::unique_ptr<SimPlatform> makeSimPlatform(Profile, const std::string&, const std::string&,
                                                        SimRunOptions);
    struct Groups;
    Profile profile_;
    std::string root_;
    Record record_;
    std::unique_ptr<Groups> groups_;
};

// Reads the profile, lays out its files under root and loads its registry; throws
// ProfileError with the file name and the problem.
std::unique_ptr<SimPlatform> makeSimPlatform(const std::string& profilePath, const std::string& root,
                                             SimRunOptions options = {});
// The same for a profile already read; `origin` names it in messages.
std::unique_ptr<SimPlatform> makeSimPlatform(Profile profile, const std::string& root,
                                             const std::string& origin, SimRunOptions options = {});

}  // namespace vintrel::platform::sim
