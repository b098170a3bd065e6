#include "text/collation.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vintrel::text {
namespace {

// Primary key of a byte: its base letter in small letters; other bytes keep their value.
constexpr std::array<std::uint8_t, 256> makeBase() {
    std::array<std::uint8_t, 256> base{};
    for (int i = 0; i < 256; ++i) base[i] = static_cast<std::uint8_t>(i);
    for (int c = 'A'; c <= 'Z'; ++c) base[c] = static_cast<std::uint8_t>(c + 32);
    const auto set = [&](const char* bytes, char letter) {
        for (const char* p = bytes; *p; ++p)
            base[static_cast<std::uint8_t>(*p)] = static_cast<std::uint8_t>(letter);
    };
    set("\xC0\xC1\xC2\xC3\xC4\xC5\xE0\xE1\xE2\xE3\xE4\xE5\xAA", 'a');
    set("\xC7\xE7", 'c');
    set("\xC8\xC9\xCA\xCB\xE8\xE9\xEA\xEB", 'e');
    set("\xCC\xCD\xCE\xCF\xEC\xED\xEE\xEF", 'i');
    set("\xD1\xF1", 'n');
    set("\xD2\xD3\xD4\xD5\xD6\xD8\xF2\xF3\xF4\xF5\xF6\xF8\xBA", 'o');
    set("\x8A\x9A", 's');
    set("\xD9\xDA\xDB\xDC\xF9\xFA\xFB\xFC", 'u');
    set("\xDD\xFD\xFF\x9F", 'y');
    set("\x8E\x9E", 'z');
    return base;
}
constexpr std::array<std::uint8_t, 256> kBase = makeBase();

// Letters sort before digits and punctuation would by byte value alone; keep plain byte
// order for non-letters, which places blanks and punctuation first, then digits, then letters.
int primary(std::uint8_t c) {
    return kBase[c];
}

bool isCapital(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
}

}  // namespace

int compareText(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int d = primary(static_cast<std::uint8_t>(a[i])) - primary(static_cast<std::uint8_t>(b[i]));
        if (d != 0) return d;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    // Same letters: plain before accented, then small before capital, then bytes.
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<std::uint8_t>(a[i]), y = static_cast<std::uint8_t>(b[i]);
        if (x == y) continue;
        const bool accentX = x >= 0x80, accentY = y >= 0x80;
        if (accentX != accentY) return accentX ? 1 : -1;
        if (isCapital(x) != isCapital(y)) return isCapital(x) ? 1 : -1;
        return x < y ? -1 : 1;
    }
    return 0;
}

std::vector<std::uint32_t> sortedOrder(const std::vector<std::string>& texts) {
    std::vector<std::uint32_t> order(texts.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&texts](std::uint32_t a, std::uint32_t b) { return compareText(texts[a], texts[b]) < 0; });
    return order;
}

void permute(std::vector<std::string>& texts, const std::vector<std::uint32_t>& order) {
    // Cycle by cycle: each text moves once, and no second list is made.
    std::vector<bool> placed(texts.size());
    for (std::size_t start = 0; start < texts.size(); ++start) {
        if (placed[start]) continue;
        std::string first = std::move(texts[start]);
        std::size_t at = start;
        for (;;) {
            placed[at] = true;
            const std::size_t from = order[at];
            if (from == start) {
                texts[at] = std::move(first);
                break;
            }
            texts[at] = std::move(texts[from]);
            at = from;
        }
    }
}

void sortTexts(std::vector<std::string>& texts) {
    if (std::is_sorted(texts.begin(), texts.end(),
                       [](const std::string& a, const std::string& b) { return compareText(a, b) < 0; }))
        return;
    permute(texts, sortedOrder(texts));
}

}  // namespace vintrel::text
