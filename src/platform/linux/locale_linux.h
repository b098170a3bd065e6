#pragma once
// Regional settings from the C library's locale of the user's environment (LANG, LC_*), read
// without touching the process's global locale.

#include <memory>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

std::unique_ptr<Locale> makeLinuxLocale();

// The decimal separator a locale's radix text gives: its single byte, else '.'.
char decimalSeparatorFrom(const char* radix);

}  // namespace vintrel::platform::linux_host
