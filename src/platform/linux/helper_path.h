#pragma once
// Where the programs find their helpers (vintrel-printers), and whether one may be run: a
// helper runs with the user's rights, so it comes only from the places this build installs it
// to or builds it in, and only when no other user could have put it there.

#include <string>

namespace vintrel::platform::linux_host {

// The helper `name` for the program at `self`: in the build tree's libexec/vintrel when `self`
// lies in this build tree, in the installed libexec/vintrel when `self` is installed; for a
// copy anywhere else, the packaged /usr/libexec/vintrel, never a folder beside the copy.
std::string helperPathFor(const std::string& self, const std::string& name);

// The same for the running program.
std::string helperPath(const std::string& name);

// Empty when `path` may be run: it and every folder above it up to the root belong to root or
// to this user, and no one else may write to them; else why not, in plain words.
std::string untrustedPathProblem(const std::string& path);

}  // namespace vintrel::platform::linux_host
