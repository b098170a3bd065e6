#pragma once
// Which host folder stands for each drive letter. Shared by the providers, so that DOS paths
// resolve the same way on the real machine and on a simulated one.

#include <optional>
#include <string>

namespace vintrel::platform::host {

class DriveMap {
public:
    virtual ~DriveMap() = default;
    // The host folder (UTF-8) that is the root of drive `letter` ('A'..'Z'), if it has one.
    virtual std::optional<std::string> basePath(char letter) = 0;
};

}  // namespace vintrel::platform::host
