#pragma once
// Windows-1252 text. All texts of the system are Windows-1252 byte strings held in
// std::string; conversion to and from UTF-8 happens only at the edges (display, file names,
// Linux-sourced names). A character that Windows-1252 cannot hold becomes '?'.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vintrel::text {

// Code points of bytes 0x80..0x9F; 0 marks the five bytes Windows-1252 leaves undefined.
inline constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte for a Unicode code point, or '?' when there is none.
constexpr unsigned char byteForCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == cp) return static_cast<unsigned char>(0x80 + i);
    // The undefined bytes round-trip through the C1 controls of the same value.
    if (cp == 0x81 || cp == 0x8D || cp == 0x8F || cp == 0x90 || cp == 0x9D)
        return static_cast<unsigned char>(cp);
    return '?';
}

constexpr char32_t codePointForByte(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F && kHighControls[b - 0x80] != 0) return kHighControls[b - 0x80];
    return b;
}

// Marks a malformed sequence in what decodeUtf8Strict returns.
inline constexpr char32_t kMalformedUtf8 = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at s[i] and advances i, or returns kMalformedUtf8 after consuming
// the longest start of a well-formed sequence (at least one byte), as Unicode's
// replacement practice has it. Well-formed means the shortest form of a scalar value: overlong
// forms (C0 8D), surrogates (ED A0 80), code points past U+10FFFF (F4 90 ...), stray
// continuation bytes and cut sequences are malformed.
constexpr char32_t decodeUtf8Strict(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80) return b0;
    const int extra = b0 < 0xC2 ? 0 : b0 < 0xE0 ? 1 : b0 < 0xF0 ? 2 : b0 < 0xF5 ? 3 : 0;
    if (extra == 0) return kMalformedUtf8;
    // The range of the second byte: below it a form is overlong; above it, after ED a
    // surrogate, after F4 past U+10FFFF.
    const unsigned char low = b0 == 0xE0 ? 0xA0 : b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = b0 == 0xED ? 0x9F : b0 == 0xF4 ? 0x8F : 0xBF;
    char32_t cp = b0 & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size()) return kMalformedUtf8;
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < (k == 0 ? low : 0x80) || b > (k == 0 ? high : 0xBF)) return kMalformedUtf8;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
    }
    return cp;
}

// The same with a malformed sequence read as U+FFFD.
constexpr char32_t decodeUtf8(std::string_view s, std::size_t& i) {
    const char32_t cp = decodeUtf8Strict(s, i);
    return cp == kMalformedUtf8 ? 0xFFFD : cp;
}

std::string utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view cp1252);
namespace detail {
// à..þ except ÷ map to À..Þ; ÿ to Ÿ; š, œ, ž to Š, Œ, Ž.
constexpr std::array<unsigned char, 256> upperTable() {
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) {
        int u = b;
        if (b >= 'a' && b <= 'z') u = b - 32;
        if (b >= 0xE0 && b <= 0xFE && b != 0xF7) u = b - 32;
        if (b == 0xFF) u = 0x9F;
        if (b == 0x9A || b == 0x9C || b == 0x9E) u = b - 0x10;
        t[static_cast<std::size_t>(b)] = static_cast<unsigned char>(u);
    }
    return t;
}
inline constexpr std::array<unsigned char, 256> kUpper = upperTable();
}  // namespace detail

// Latin letters of Windows-1252 upper-cased, as Windows compares registry names. Inline:
// registry lookups fold every name they compare.
constexpr char upperCp1252(char c) {
    return static_cast<char>(detail::kUpper[static_cast<unsigned char>(c)]);
}
std::string upperCp1252(std::string_view s);
bool equalsIgnoreCaseCp1252(std::string_view a, std::string_view b);

namespace detail {
template <std::size_t N>
struct Utf8Literal {
    char bytes[N]{};
    constexpr Utf8Literal(const char (&s)[N]) { std::copy_n(s, N, bytes); }
};

template <std::size_t N>
struct Cp1252Buffer {
    char bytes[N]{};
    std::size_t size = 0;
};

template <Utf8Literal L>
constexpr auto convertLiteral() {
    Cp1252Buffer<sizeof(L.bytes)> out{};
    const std::string_view in(L.bytes, sizeof(L.bytes) - 1);
    std::size_t i = 0;
    while (i < in.size()) out.bytes[out.size++] = static_cast<char>(byteForCodePoint(decodeUtf8(in, i)));
    return out;
}

template <Utf8Literal L>
inline constexpr auto kConverted = convertLiteral<L>();
}  // namespace detail

// "Memória"_w: a UTF-8 source literal as its Windows-1252 bytes, converted at compile time.
template <detail::Utf8Literal L>
constexpr std::string_view operator""_w() {
    return {detail::kConverted<L>.bytes, detail::kConverted<L>.size};
}

}  // namespace vintrel::text
