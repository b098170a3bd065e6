#pragma once
// Sound devices through ALSA's control devices (/dev/snd/controlC*), as `aplay -l` sees them.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

// Playback PCM devices over all cards; 0 when /dev/snd is missing or not accessible.
std::uint32_t alsaPlaybackDeviceCount();

// The first card's name ("HDA Intel PCH"), its long name when the short one is empty. UTF-8.
std::optional<std::string> firstAlsaCardName();

// The same from the text of /proc/asound/cards, for machines where the control devices are
// out of reach: " 0 [PCH    ]: HDA-Intel - HDA Intel PCH" gives "HDA Intel PCH".
std::optional<std::string> firstCardNameFromProcCards(std::string_view text);

std::unique_ptr<Multimedia> makeLinuxMultimedia();

}  // namespace vintrel::platform::linux_host
