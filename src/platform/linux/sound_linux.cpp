#include "platform/linux/sound_linux.h"

#include <alsa/asoundlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "text/lines.h"

namespace vintrel::platform::linux_host {
namespace {

using text::trim;

struct CtlCloser {
    void operator()(snd_ctl_t* ctl) const { snd_ctl_close(ctl); }
};

class LinuxMultimedia final : public Multimedia {
public:
    std::uint32_t waveOutDeviceCount() override { return alsaPlaybackDeviceCount(); }
};

}  // namespace

std::uint32_t alsaPlaybackDeviceCount() {
    std::uint32_t count = 0;
    int card = -1;
    snd_pcm_info_t* info = nullptr;
    if (snd_pcm_info_malloc(&info) < 0) return 0;
    while (snd_card_next(&card) >= 0 && card >= 0) {
        char name[32];
        std::snprintf(name, sizeof name, "hw:%d", card);
        snd_ctl_t* raw = nullptr;
        if (snd_ctl_open(&raw, name, 0) < 0) continue;  // no access counts as no device
        std::unique_ptr<snd_ctl_t, CtlCloser> ctl(raw);
        int device = -1;
        while (snd_ctl_pcm_next_device(ctl.get(), &device) >= 0 && device >= 0) {
            snd_pcm_info_set_device(info, static_cast<unsigned>(device));
            snd_pcm_info_set_subdevice(info, 0);
            snd_pcm_info_set_stream(info, SND_PCM_STREAM_PLAYBACK);
            if (snd_ctl_pcm_info(ctl.get(), info) >= 0) ++count;
        }
    }
    snd_pcm_info_free(info);
    return count;
}

std::optional<std::string> firstAlsaCardName() {
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) {
        char* name = nullptr;
        std::string result;
        if (snd_card_get_name(card, &name) >= 0 && name) result = std::string(trim(name));
        std::free(name);
        if (result.empty()) {
            char* longName = nullptr;
            if (snd_card_get_longname(card, &longName) >= 0 && longName) result = std::string(trim(longName));
            std::free(longName);
        }
        if (!result.empty()) return result;
    }
    return std::nullopt;
}

std::optional<std::string> firstCardNameFromProcCards(std::string_view text) {
    // Each card is "%2d [%-15s]: %s - %s" (number, id, driver, name) then its long name.
    for (const std::string_view line : text::lines(text)) {
        const std::string_view t = trim(line);
        if (t.empty() || t.front() < '0' || t.front() > '9') continue;
        const auto bracket = t.find("]:");
        if (bracket == std::string_view::npos) continue;
        const auto dash = t.find(" - ", bracket);
        if (dash == std::string_view::npos) continue;
        const std::string_view name = trim(t.substr(dash + 3));
        if (!name.empty()) return std::string(name);
    }
    return std::nullopt;
}

std::unique_ptr<Multimedia> makeLinuxMultimedia() {
    return std::make_unique<LinuxMultimedia>();
}

}  // namespace vintrel::platform::linux_host
