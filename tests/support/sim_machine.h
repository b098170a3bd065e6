#pragma once
// A simulated machine for a test: a profile given as JSON text, played from a temporary
// folder, installed as the process's platform until the test ends.

#include <memory>
#include <string>

#include "platform/api/platform.h"
#include "platform/sim/sim_platform.h"
#include "support/test_paths.h"
#include "text/numbers.h"

namespace vintrel::test {

class SimMachine {
public:
    explicit SimMachine(const std::string& profileJson, platform::sim::SimRunOptions options = {}) {
        auto sim = platform::sim::makeSimPlatform(platform::sim::parseProfile(profileJson, "test profile"),
                                                  root_.str(), "test profile", options);
        sim_ = sim.get();
        guard_ = std::make_unique<platform::ScopedPlatform>(std::move(sim));
        text::setDecimalSeparator(sim_->locale().current().decimalSeparator);
    }
    ~SimMachine() { text::setDecimalSeparator('.'); }

    platform::sim::SimPlatform& sim() { return *sim_; }
    platform::sim::Record& record() { return sim_->record(); }
    platform::sim::Profile& profile() { return sim_->profile(); }
    const TempDir& root() const { return root_; }

private:
    TempDir root_;
    platform::sim::SimPlatform* sim_ = nullptr;
    std::unique_ptr<platform::ScopedPlatform> guard_;
};

}  // namespace vintrel::test
