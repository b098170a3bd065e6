#pragma once
// Registry key paths: backslash-separated names relative to a root key, Windows-1252.
// Names compare without regard to letter case by folding them with text::upperCp1252.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/platform.h"

namespace vintrel::registry {

// The names of a path. Empty names (leading, trailing or doubled backslashes) are dropped,
// so "\Software\\Vintrel\" and "Software\Vintrel" name the same key.
std::vector<std::string_view> splitKeyPath(std::string_view path);

// The next name of a path, taken off the front of `rest`; empty when no name is left. Walks a
// path without building the list of its names.
std::string_view takeKeyName(std::string_view& rest);

// The path with single backslashes between its names and none at either end.
std::string normalizeKeyPath(std::string_view path);

// parent\child, either side possibly empty.
std::string joinKeyPath(std::string_view parent, std::string_view child);

// Windows's own limits: a key name of at most 255 characters, at most 512 levels below a
// root, a value name of at most 16,383 characters. Names never hold a NUL.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kMaxValueNameLength = 16383;

// Why a key path or value name breaks those limits, or empty text when it keeps them.
std::string keyPathProblem(std::string_view path);
std::string valueNameProblem(std::string_view name);

// The case-folded form used for comparing names.
std::string foldName(std::string_view name);

bool isRootKey(platform::HKey key);

// "HKEY_LOCAL_MACHINE" etc., or empty text for anything that is not a root.
std::string_view rootKeyName(platform::HKey root);

// A root given by its full name or its abbreviation (HKLM, HKCU, HKCR), in any letter case.
std::optional<platform::HKey> rootKeyFromName(std::string_view name);

// Splits "HKCU\Control Panel\Desktop" into its root and the normalized path below it.
struct FullKeyPath {
    platform::HKey root = 0;
    std::string path;
};
std::optional<FullKeyPath> parseFullKeyPath(std::string_view text);

}  // namespace vintrel::registry
