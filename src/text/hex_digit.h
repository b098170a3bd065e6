#pragma once
// The value of one hexadecimal digit, whatever the locale.

namespace vintrel::text {

// 0-9, a-f and A-F as 0 to 15; -1 for anything else.
constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace vintrel::text
