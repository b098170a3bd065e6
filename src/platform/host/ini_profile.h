#pragma once
// Initialisation files (system.ini) read as GetPrivateProfileStringA reads them. Pure functions
// over the file's bytes, so that fixtures and the fuzzer drive them.
//
// - Lines end with LF, CR LF or CR; blanks (space, tab, VT, FF) before a line are skipped.
// - "[name]" starts a section; the name is what lies between "[" and the last "]" of the
//   line, without surrounding blanks. A line starting with "[" and holding no "]" is ignored.
// - A line starting with ";" is a comment. A ";" later in a line is part of the value.
// - "key=value": key and value lose their surrounding blanks; then a value enclosed in a pair
//   of the same quote (' or ") loses that pair. A line without "=" names no value.
// - Sections and keys match without regard to Windows-1252 letter case. The first section of
//   the name is the one searched, and the first matching key in it gives the value.
// - Lines before the first section belong to no section.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vintrel::platform::host {

// The file's bytes as Windows-1252 text: a UTF-8 or UTF-16 byte-order mark selects that
// encoding; without one, text that is valid UTF-8 and not plain ASCII is read as UTF-8 (as a
// Linux editor writes it), anything else as Windows-1252 bytes.
std::string decodeProfileText(std::string_view bytes);

// The value of `key` in `section` of Windows-1252 INI text, or nullopt when there is none.
std::optional<std::string> findProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// GetPrivateProfileStringA over a file's bytes (nullopt: no readable file): the value, else the
// default text without its trailing blanks; either read up to its first NUL byte and cut to
// bufferSize - 1 bytes (nothing when bufferSize is 0).
std::string profileString(std::optional<std::string_view> fileBytes, std::string_view section,
                          std::string_view key, std::string_view defaultText, std::uint32_t bufferSize);

}  // namespace vintrel::platform::host
