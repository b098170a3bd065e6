#include "platform/linux/edid.h"

#include <array>
#include <cstdio>

namespace vintrel::platform::linux_host {
namespace {

constexpr std::size_t kBlockSize = 128;
constexpr std::array<std::uint8_t, 8> kHeader = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::size_t kFirstDescriptor = 54;
constexpr std::size_t kDescriptorSize = 18;
constexpr std::uint8_t kTagProductName = 0xFC;

char pnpLetter(unsigned value) {
    return value >= 1 && value <= 26 ? static_cast<char>('A' + value - 1) : '?';
}

// The 13 text bytes of a display descriptor: ended by 0x0A (absent when all 13 are used),
// padded with blanks. Bytes outside printable ASCII become '?'.
std::string descriptorText(std::span<const std::uint8_t> text) {
    std::string out;
    for (std::uint8_t b : text) {
        if (b == 0x0A || b == 0x00) break;
        out.push_back(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '?');
    }
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = out.find_last_not_of(' ');
    return out.substr(first, last - first + 1);
}

}  // namespace

std::optional<EdidIdentity> parseEdid(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kBlockSize) return std::nullopt;
    const auto block = bytes.first(kBlockSize);
    for (std::size_t i = 0; i < kHeader.size(); ++i)
        if (block[i] != kHeader[i]) return std::nullopt;

    EdidIdentity id;
    unsigned sum = 0;
    for (std::uint8_t b : block) sum += b;
    id.checksumValid = (sum & 0xFF) == 0;

    // Bytes 8-9, big-endian: three 5-bit letters, 'A' = 1.
    const unsigned mfg = (static_cast<unsigned>(block[8]) << 8) | block[9];
    id.manufacturerId = {pnpLetter((mfg >> 10) & 0x1F), pnpLetter((mfg >> 5) & 0x1F), pnpLetter(mfg & 0x1F)};
    id.productCode = static_cast<std::uint16_t>(block[10] | (block[11] << 8));
    id.serialNumber = static_cast<std::uint32_t>(block[12]) | (static_cast<std::uint32_t>(block[13]) << 8) |
                      (static_cast<std::uint32_t>(block[14]) << 16) |
                      (static_cast<std::uint32_t>(block[15]) << 24);

    for (std::size_t k = 0; k < 4; ++k) {
        const auto d = block.subspan(kFirstDescriptor + k * kDescriptorSize, kDescriptorSize);
        // A display descriptor has a zero pixel clock and a zero reserved byte before its tag.
        if (d[0] != 0 || d[1] != 0 || d[2] != 0 || d[3] != kTagProductName) continue;
        std::string name = descriptorText(d.subspan(5, 13));
        if (!name.empty()) {
            id.monitorName = std::move(name);
            break;
        }
    }
    return id;
}

std::optional<std::string> edidMonitorName(std::span<const std::uint8_t> bytes) {
    const auto id = parseEdid(bytes);
    if (!id) return std::nullopt;
    if (id->monitorName) return id->monitorName;
    char code[8];
    std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(id->productCode));
    return id->manufacturerId + " " + code;
}

}  // namespace vintrel::platform::linux_host
