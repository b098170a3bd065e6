#pragma once
// EDID base blocks built byte by byte, as monitors send them, for the parser tests.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::test {

struct EdidSpec {
    std::string_view pnp = "DEL";
    std::uint16_t product = 0x40A3;
    // Raw 13 text bytes of the name descriptor; empty: no name descriptor.
    std::string nameBytes;
    bool timingFirst = true;  // a detailed timing descriptor in the first slot, as is usual
    int nameSlot = 3;         // 0..3
    bool fixChecksum = true;
};

// 13 descriptor text bytes: the text, 0x0A when it is shorter, then blanks.
inline std::string descriptorText(std::string_view text) {
    std::string out(text.substr(0, 13));
    if (out.size() < 13) out.push_back('\x0A');
    while (out.size() < 13) out.push_back(' ');
    return out;
}

inline std::vector<std::uint8_t> makeEdid(const EdidSpec& s) {
    std::vector<std::uint8_t> b(128, 0);
    const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(header, header + 8, b.begin());
    const unsigned mfg = ((s.pnp[0] - 'A' + 1) << 10) | ((s.pnp[1] - 'A' + 1) << 5) | (s.pnp[2] - 'A' + 1);
    b[8] = static_cast<std::uint8_t>(mfg >> 8);
    b[9] = static_cast<std::uint8_t>(mfg & 0xFF);
    b[10] = static_cast<std::uint8_t>(s.product & 0xFF);
    b[11] = static_cast<std::uint8_t>(s.product >> 8);
    b[12] = 0x4C;
    b[13] = 0x30;
    b[14] = 0x4E;
    b[15] = 0x53;  // serial
    b[16] = 0x1A;
    b[17] = 0x1C;  // week 26 of 2018
    b[18] = 0x01;
    b[19] = 0x04;  // EDID 1.4
    b[20] = 0xA5;
    b[21] = 0x3C;
    b[22] = 0x22;
    b[23] = 0x78;
    b[24] = 0x3A;
    // Standard timings unused.
    for (int i = 38; i < 54; ++i) b[i] = 0x01;
    auto slot = [&](int k) { return b.begin() + 54 + 18 * k; };
    if (s.timingFirst) {
        // 1920x1080 at 60 Hz, 148.5 MHz pixel clock.
        const std::uint8_t dtd[18] = {0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58,
                                      0x2C, 0x45, 0x00, 0x56, 0x50, 0x21, 0x00, 0x00, 0x1E};
        std::copy(dtd, dtd + 18, slot(0));
    }
    // Serial number text in slot 1, range limits in slot 2 unless the name goes there.
    const std::string serial = descriptorText("CFV9N8BH0NSL");
    const std::uint8_t serialHead[5] = {0, 0, 0, 0xFF, 0};
    std::copy(serialHead, serialHead + 5, slot(1));
    std::copy(serial.begin(), serial.end(), slot(1) + 5);
    const std::uint8_t range[18] = {0,    0, 0,    0xFD, 0,    0x38, 0x4C, 0x1E, 0x53,
                                    0x11, 0, 0x0A, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
    std::copy(range, range + 18, slot(2));
    if (!s.nameBytes.empty()) {
        std::fill(slot(s.nameSlot), slot(s.nameSlot) + 18, 0);
        *(slot(s.nameSlot) + 3) = 0xFC;
        std::copy(s.nameBytes.begin(), s.nameBytes.begin() + std::min<std::size_t>(13, s.nameBytes.size()),
                  slot(s.nameSlot) + 5);
    } else {
        // A dummy descriptor (tag 0x10) in the last slot.
        std::fill(slot(3), slot(3) + 18, 0);
        *(slot(3) + 3) = 0x10;
    }
    b[126] = 0;  // no extension blocks
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) sum += b[i];
    b[127] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
    if (!s.fixChecksum) b[127] ^= 0x5A;
    return b;
}

}  // namespace vintrel::test
