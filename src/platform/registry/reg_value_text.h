#pragma once
// Registry values as the command line shows and takes them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/api/platform.h"

namespace vintrel::registry {

// Text for a terminal: Windows-1252 to UTF-8 with control characters shown as '?'.
std::string display(std::string_view cp1252);
// "REG_SZ" and so on; unknown types as "0x..." numbers.
std::string typeName(std::uint32_t type);
// The types that add accepts, by name in any letter case.
std::optional<std::uint32_t> typeFromName(std::string_view name);
// The data as query shows it: text, 0x numbers, parts joined by \0, or hex digits.
std::string dataText(const platform::RegValue& value);
// The bytes that add stores for DATA (Windows-1252) of a type; an error message when DATA does
// not fit the type, else empty text.
std::string encodeValueData(std::uint32_t type, const std::string& data, std::string& bytes);

}  // namespace vintrel::registry
