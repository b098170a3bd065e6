#pragma once
// A drive root as the drive functions take it: "X:\" or "X:/", the letter in either case.
// Shared by the providers so that both accept the same spellings.

#include <optional>
#include <string_view>

namespace vintrel::platform::host {

// The drive's letter, 'A'..'Z', or nothing when `root` is not exactly a drive root.
constexpr std::optional<char> driveRootLetter(std::string_view root) {
    if (root.size() != 3 || root[1] != ':' || (root[2] != '\\' && root[2] != '/')) return std::nullopt;
    const char c = root[0];
    if (c >= 'A' && c <= 'Z') return c;
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    return std::nullopt;
}

}  // namespace vintrel::platform::host
