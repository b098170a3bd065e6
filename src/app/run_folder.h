#pragma once
// The folder a simulated run keeps the machine's files in: VINTREL_ROOT when set, else a
// private folder made under the temporary folder and removed when the run ends, also when a
// signal ends it (SIGTERM, SIGINT, SIGHUP, SIGQUIT).

#include <string>

namespace vintrel::app {

class RunFolder {
public:
    // Makes a folder only when `needed` (a simulated run) and VINTREL_ROOT names none.
    explicit RunFolder(bool needed);
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    // Empty when none was needed or none could be made.
    const std::string& path() const { return path_; }
    bool givenByUser() const { return !owned_ && !path_.empty(); }

private:
    std::string path_;
    bool owned_ = false;
};

}  // namespace vintrel::app
