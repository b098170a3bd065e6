#pragma once
// Unsigned 64-bit arithmetic whose intermediate results do not fit 64 bits, in standard C++
// (the build has no compiler extensions such as a 128-bit integer).

#include <cstdint>
#include <limits>

namespace vintrel::platform::host {

inline constexpr std::uint64_t kUint64Max = std::numeric_limits<std::uint64_t>::max();

// a * b, or the largest value when the product does not fit.
constexpr std::uint64_t saturatingMul(std::uint64_t a, std::uint64_t b) {
    if (a != 0 && b > kUint64Max / a) return kUint64Max;
    return a * b;
}

// floor(a * b / divisor) with the product taken in 128 bits; a quotient above 64 bits keeps
// its low 64 bits. The divisor must not be 0.
constexpr std::uint64_t mulDiv(std::uint64_t a, std::uint64_t b, std::uint64_t divisor) {
    if (a == 0 || b <= kUint64Max / a) return a * b / divisor;
    // The 128-bit product from 32-bit halves.
    const std::uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32, bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
    const std::uint64_t lolo = aLo * bLo, lohi = aLo * bHi, hilo = aHi * bLo, hihi = aHi * bHi;
    const std::uint64_t middle = (lolo >> 32) + (lohi & 0xFFFFFFFFu) + (hilo & 0xFFFFFFFFu);
    const std::uint64_t high = hihi + (lohi >> 32) + (hilo >> 32) + (middle >> 32);
    const std::uint64_t low = (middle << 32) | (lolo & 0xFFFFFFFFu);
    // Long division one bit at a time; the remainder stays below the divisor.
    std::uint64_t quotient = 0, remainder = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const bool carry = (remainder >> 63) != 0;
        const std::uint64_t next = bit >= 64 ? (high >> (bit - 64)) & 1u : (low >> bit) & 1u;
        remainder = (remainder << 1) | next;
        quotient <<= 1;
        if (carry || remainder >= divisor) {
            remainder -= divisor;
            quotient |= 1u;
        }
    }
    return quotient;
}

}  // namespace vintrel::platform::host
