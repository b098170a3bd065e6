#include "platform/host/host_text.h"

#include <cstddef>

namespace vintrel::platform::host {

bool isValidUtf8(std::string_view s) {
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i++]);
        const int extra = lead < 0x80   ? 0
                          : lead < 0xC0 ? -1
                          : lead < 0xE0 ? 1
                          : lead < 0xF0 ? 2
                          : lead < 0xF8 ? 3
                                        : -1;
        if (extra < 0 || s.size() - i < static_cast<std::size_t>(extra)) return false;
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 0; k < extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i++]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    }
    return true;
}

}  // namespace vintrel::platform::host
