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
// Windows-1252 with control characters (C0, DEL and the undefined bytes, which show as C1
// controls) as '?', except those in `keep`: line structure and terminals safe.
std::string masked(std::string_view cp1252, std::string_view keep = {});
// Windows-1252 text in the character set `charset` (an iconv name, as nl_langinfo(CODESET)
// gives it); a character the set lacks becomes '?'. Empty charset: the bytes as they are.
std::string inCharset(std::string_view cp1252, const std::string& charset);
// "REG_SZ" and so on; unknown types as "0x..." numbers.
std::string typeName(std::uint32_t type);
// The types that add accepts, by name in any letter case.
std::optional<std::uint32_t> typeFromName(std::string_view name);
// The data as query shows it: text, 0x numbers, parts joined by \0, or hex digits;
// Windows-1252, masked.
std::string dataText(const platform::RegValue& value);
// The bytes that add stores for DATA (Windows-1252) of a type; an error message when DATA does
// not fit the type, else empty text.
std::string encodeValueData(std::uint32_t type, const std::string& data, std::string& bytes);

}  // namespace vintrel::registry
