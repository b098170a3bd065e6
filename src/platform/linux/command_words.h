#pragma once
// Command lines taken apart into argument vectors: a POSIX command (an App Paths value) and
// the parameters that a Windows program receives.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::platform::linux_host {

// Splits a command into arguments with POSIX quoting and no expansion of any kind: blanks
// separate words, '...' is literal, "..." keeps blanks and takes \" \\ \$ \` escapes, a
// backslash outside quotes escapes the next character. nullopt for an unterminated quote
// or a trailing backslash, and for a command with no word.
std::optional<std::vector<std::string>> splitCommand(std::string_view command);

// Parameters as a Windows program receives them: blanks separate, double quotes group,
// backslashes are path separators, not escapes.
std::vector<std::string> splitWindowsParameters(std::string_view params);

}  // namespace vintrel::platform::linux_host
