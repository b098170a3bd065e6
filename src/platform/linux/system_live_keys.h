#pragma once
// The values of HKEY_LOCAL_MACHINE "SOFTWARE\MICROSOFT\WINDOWS\CurrentVersion" that Windows
// Setup filled, answered live from this machine:
//   SystemRoot              "C:\WINDOWS"
//   ProductName             os-release PRETTY_NAME ("Linux" when there is none)
//   ProductId               derived from /etc/machine-id (absent without one)
//   RegisteredOwner         the user's full name from passwd, else the login name
//   RegisteredOrganization  empty text
// Texts are Windows-1252, at most 255 bytes so that RegReadString reads them whole. A value
// the user writes overrides the live one (the registry store's rule).

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/api/registry_locations.h"
#include "platform/registry/live_key_table.h"

namespace vintrel::platform::linux_host {

inline constexpr std::string_view kCurrentVersionKey = reg::kVersionKeyUpper;

// Where the values are read from; tests point these at fixtures.
struct SystemSources {
    std::string etcRoot = "/etc";         // os-release, machine-id
    std::string usrLibRoot = "/usr/lib";  // os-release when etcRoot has none
};

void addSystemLiveKeys(registry::LiveKeyTable& table, const std::string& etcRoot);
void addSystemLiveKeys(registry::LiveKeyTable& table, const SystemSources& sources);

// Pure: the variables of os-release text, as os-release(5) writes them: NAME=value lines;
// the value unquoted (backslash escapes the next character) or in single quotes (literal) or
// double quotes (backslash escapes " \ $ and `), pieces joined, trailing unquoted blanks
// dropped. Comments, blank lines and lines without a valid name are skipped. UTF-8 values.
std::map<std::string, std::string> parseOsRelease(std::string_view text);

// Pure: PRETTY_NAME of os-release text with control characters made blanks, or "Linux" (the
// default os-release(5) gives).
std::string productNameFromOsRelease(std::string_view text);

// Pure: a product id in the Windows OEM form "12345-OEM-1234567-12345" from the text of
// machine-id (32 hex digits, a line end allowed). The id itself is never shown (machine-id(5)
// asks for a keyed hash): HMAC-SHA256 keyed with the id's 16 bytes over a fixed application
// key, as systemd derives application-specific ids; its first 8 bytes, a big-endian number
// modulo 10^17, written as 17 decimal digits split 5, 7, 5. Stable for the machine. nullopt
// for text that is not a machine id ("uninitialized", empty, wrong length, not hex).
std::optional<std::string> productIdFromMachineId(std::string_view machineIdText);

// Pure: the owner's name from a passwd entry: the first comma-separated field of GECOS
// without surrounding blanks, "&" standing for the login name with its first letter in
// capitals (the finger convention); the login name when that field is empty. UTF-8.
std::string ownerFromPasswd(std::string_view gecos, std::string_view login);

}  // namespace vintrel::platform::linux_host
