#pragma once
// Number text as the system writes it: the general number form with the locale's decimal
// separator, truncation to two decimals, and the size text of a byte count. All arithmetic
// runs in 80-bit extended precision (long double on x86-64).

#include <string>

namespace vintrel::text {

using Extended = long double;

// The decimal separator used by every number text; '.' until the locale is read.
char decimalSeparator();
void setDecimalSeparator(char separator);

// trunc(v * 100) / 100: two decimals, toward zero.
Extended trunc2(Extended v);

// At most 15 significant digits (the 15th rounded half up), no trailing zeros, no thousands
// separator, "-" for negatives (never "-0"); fixed notation from 1e-4 up to 1e15, else
// scientific ("1,5E20").
std::string generalNumberText(Extended v);
// The same text through the general digit extraction alone (the short way for whole and
// two-decimal values aside), for checking the two against each other.
std::string generalNumberTextByDigits(Extended v);

// A byte count above 2^30 as " GB", otherwise as " MB", both 1024-based and truncated to two
// decimals: 1073741824 -> "1024 MB", 1073741825 -> "1 GB", -1 -> "0 MB".
std::string sizeText(Extended bytes);

}  // namespace vintrel::text
