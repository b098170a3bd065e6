#pragma once
// A profile as the JSON text that parseProfile reads back to the same profile.

#include <string>

#include "platform/sim/profile.h"

namespace vintrel::platform::sim {

// UTF-8 JSON, two-space indented, with a line end at the end. The registry is written as a
// list of its lines, drives only where a root exists.
std::string profileJson(const Profile& profile);

}  // namespace vintrel::platform::sim
