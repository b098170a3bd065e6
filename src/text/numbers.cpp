#include "text/numbers.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace vintrel::text {
namespace {
std::atomic<char> g_separator{'.'};

// Decimal digits and exponent of |v| rounded half up to `digits` significant digits.
struct Digits {
    std::string digits;  // exactly `count` digits, first non-zero
    int exponent = 0;    // value = 0.d1d2d3... x 10^(exponent+1), i.e. d1 is at 10^exponent
};

Digits significantDigits(Extended v, int count) {
    // 30 digits is beyond what a 64-bit mantissa holds exactly in this range, so rounding
    // half up from them equals rounding from the exact value.
    char buffer[96];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific, 30);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const auto e = text.find('e');
    std::string mantissa;
    for (char c : text.substr(0, e))
        if (c >= '0' && c <= '9') mantissa.push_back(c);
    int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    std::string kept = mantissa.substr(0, static_cast<std::size_t>(count));
    if (mantissa[static_cast<std::size_t>(count)] >= '5') {
        int i = count - 1;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') kept[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            kept.insert(kept.begin(), '1');
            kept.pop_back();
            ++exponent;
        } else {
            ++kept[static_cast<std::size_t>(i)];
        }
    }
    return {kept, exponent};
}
}  // namespace

char decimalSeparator() { return g_separator.load(std::memory_order_relaxed); }
void setDecimalSeparator(char separator) { g_separator.store(separator ? separator : '.', std::memory_order_relaxed); }

Extended trunc2(Extended v) { return std::trunc(v * 100) / 100; }

namespace {
// Whole and two-decimal values of at most 15 digits, the texts every refresh writes, without
// the general digit extraction: such a value is within a few units of the last bit of k / 100
// for a whole k, far closer than half a unit in its 15th digit, so its 15-digit text is k's.
bool hundredthsText(Extended v, std::string& out) {
    const Extended scaled = v * 100;
    const Extended k = std::nearbyint(scaled);
    if (!(std::fabs(k) < 1e15L) || k == 0) return false;
    if (std::fabs(scaled - k) > std::fabs(k) * 0x1p-58L) return false;
    auto whole = static_cast<long long>(k);
    if (whole < 0) {
        out += '-';
        whole = -whole;
    }
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, whole / 100).ptr;
    out.append(buffer, end);
    const int hundredths = static_cast<int>(whole % 100);
    if (hundredths != 0) {
        out += decimalSeparator();
        out += static_cast<char>('0' + hundredths / 10);
        if (hundredths % 10 != 0) out += static_cast<char>('0' + hundredths % 10);
    }
    return true;
}
}  // namespace

std::string generalNumberText(Extended v) {
    if (v == 0 || std::isnan(v)) return "0";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    if (std::string fast; hundredthsText(v, fast)) return fast;
    return generalNumberTextByDigits(v);
}

std::string generalNumberTextByDigits(Extended v) {
    if (v == 0 || std::isnan(v)) return "0";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    const bool negative = v < 0;
    const Digits d = significantDigits(std::fabs(v), 15);
    std::string digits = d.digits;
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    const char sep = decimalSeparator();
    std::string out = negative ? "-" : "";
    const Extended magnitude = std::fabs(v);
    if (magnitude >= 1e-4L && d.exponent < 15) {
        if (d.exponent < 0) {
            out += '0';
            out += sep;
            out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
            out += digits;
        } else {
            const auto intDigits = static_cast<std::size_t>(d.exponent + 1);
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits);
                out += sep;
                out += digits.substr(intDigits);
            }
        }
        return out;
    }
    out += digits[0];
    if (digits.size() > 1) {
        out += sep;
        out += digits.substr(1);
    }
    out += 'E';
    out += d.exponent < 0 ? "-" : "";
    out += std::to_string(std::abs(d.exponent));
    return out;
}

std::string sizeText(Extended bytes) {
    constexpr Extended kGiB = 1073741824.0L;
    if (bytes > kGiB) return generalNumberText(trunc2(bytes / 1024 / 1024 / 1024)) + " GB";
    return generalNumberText(trunc2(bytes / 1024 / 1024)) + " MB";
}

}  // namespace vintrel::text
