#pragma once
// Two machine profiles compared as a person reads the difference, in Portuguese and grouped:
// drives, memory and swap, screen, processor clock, printers, installed programs and
// registry values. Moment-to-moment figures (memory load, free space) and the values that
// a capture replaces by placeholders do not count as differences.

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/sim/profile.h"

namespace vintrel::app {

struct ProfileGroup {
    std::string title;               // "Unidades", "Memória"... (UTF-8)
    std::vector<std::string> lines;  // one difference each (UTF-8)
};

// The groups that differ, in a fixed order; empty when the machines are alike.
std::vector<ProfileGroup> compareProfiles(const platform::sim::Profile& before, const platform::sim::Profile& after);

// vintrel --compare OLD NEW: "-" reads standard input for one of them. Prints the groups;
// returns 0 when nothing differs, 1 when something does, 2 when a profile cannot be read.
int runCompare(const std::string& oldFile, const std::string& newFile, std::istream& in, std::ostream& out,
               std::ostream& err);

}  // namespace vintrel::app
