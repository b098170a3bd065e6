#pragma once
// Small text checks shared by the host file code.

#include <string_view>

namespace vintrel::platform::host {

// Well-formed UTF-8: no stray continuation bytes, overlong forms, surrogates or code points
// past U+10FFFF.
bool isValidUtf8(std::string_view s);

}  // namespace vintrel::platform::host
