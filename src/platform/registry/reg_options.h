#pragma once
// The switches of a vintrel-reg command line: which switches each command takes, and the
// syntax errors that reg gives for a repeated, conflicting or foreign switch.

#include <optional>
#include <string>
#include <vector>

namespace vintrel::registry {

struct RegOptions {
    std::vector<std::string> positional;
    std::optional<std::string> valueName;  // set by /v NAME or /ve (empty); Windows-1252
    bool allValues = false;
    bool recursive = false;
    bool force = false;
    bool overwriteFile = false;
    bool live = false;
    std::optional<std::string> type;
    std::optional<std::string> data;  // Windows-1252
};

// Reads the switches after the command (args[0]). Returns empty text, or the message of the
// first problem ("Invalid syntax: /s is given more than once\nType ..."), to follow "ERROR: ".
std::string parseRegOptions(const std::vector<std::string>& args, RegOptions& options);

}  // namespace vintrel::registry
