#pragma once
// Small, bounded reads of sysfs and procfs files and folder listings. Failures give empty
// results; nothing blocks beyond the read itself.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vintrel::platform::linux_host {

// The file's bytes, at most maxBytes; nullopt when it cannot be opened or read.
std::optional<std::string> readSysfsFile(const std::string& path, std::size_t maxBytes = 65536);

// The file's text without surrounding blanks and line ends; empty when unreadable.
std::string readSysfsText(const std::string& path);

// Entry names of a folder, "." and ".." left out, sorted naturally ("card2" before "card10").
std::vector<std::string> listSysfsDirectory(const std::string& path);

// Natural order of names: digit runs compare by value.
bool naturalNameLess(const std::string& a, const std::string& b);

}  // namespace vintrel::platform::linux_host
