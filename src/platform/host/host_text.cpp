#include "platform/host/host_text.h"

#include <cstddef>

#include "text/cp1252.h"

namespace vintrel::platform::host {

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();)
        if (text::decodeUtf8Strict(s, i) == text::kMalformedUtf8) return false;
    return true;
}

}  // namespace vintrel::platform::host
