#pragma once
// A platform that hands every call to another one and records what it answered, so that the
// answers can be played back as a machine profile (vintrel --capture-profile).
//
// While recording, the last answer to each question is kept. After startReplay() the answers
// that change from one call to the next (memory status, free space, the time-stamp counter
// once its rate is known) are repeated from the record, writes are refused and actions are
// not performed, so that further questions see the machine as already recorded and change
// nothing on it.

#include <memory>
#include <string>
#include <vector>

#include "platform/api/platform.h"
#include "platform/sim/profile.h"

namespace vintrel::platform::sim {

class RecordingPlatform : public Platform {
public:
    explicit RecordingPlatform(std::unique_ptr<Platform> inner);
    ~RecordingPlatform() override;

    std::uint32_t versionPlatformId() override;
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

    Platform& inner();
    void startReplay();
    // The machine as recorded: only what was asked is in it. Registry values become REGEDIT4
    // text; folders and files are those found; an ini entry read is written into its file.
    Profile profile() const;

    struct Record;

private:
    struct Groups;
    std::unique_ptr<Record> record_;
    std::unique_ptr<Groups> groups_;
};

// Replaces the personal values of a profile by neutral placeholders: the registered owner and
// organisation and the product id, volume serial numbers, window titles and printer ports
// (network addresses). Returns one sentence per replaced value, saying what was replaced.
std::vector<std::string> replacePersonalValues(Profile& profile);

}  // namespace vintrel::platform::sim
