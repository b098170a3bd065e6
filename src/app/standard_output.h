#pragma once
// Text the program writes to standard output (the report, a profile, the widget dump, help).

#include <string_view>

namespace vintrel::app {

// Writes `bytes` to standard output and makes sure they got there: the write, the flush of
// stdio's buffer and the close through which some file systems (NFS, FUSE) report what they
// held back. On a failure says on standard error what could not be written (`what`) and why,
// and returns false.
bool writeStandardOutput(std::string_view bytes, std::string_view what);

}  // namespace vintrel::app
