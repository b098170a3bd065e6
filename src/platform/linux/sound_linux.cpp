#include "platform/linux/sound_linux.h"

#include <fcntl.h>
#include <sound/asound.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "text/lines.h"

namespace vintrel::platform::linux_host {
namespace {

using text::trim;

// ALSA's cards are numbered 0 to 31, each with one control device.
constexpr int kMaxCards = 32;

// The control device of a card, opened as ALSA's library opens "hw:N" (read and write); none
// when it is missing or out of reach, which counts as no card.
class CardControl {
public:
    explicit CardControl(int card) {
        char path[32];
        std::snprintf(path, sizeof path, "/dev/snd/controlC%d", card);
        fd_ = ::open(path, O_RDWR | O_CLOEXEC);
    }
    ~CardControl() {
        if (fd_ >= 0) ::close(fd_);
    }
    CardControl(const CardControl&) = delete;
    CardControl& operator=(const CardControl&) = delete;
    explicit operator bool() const { return fd_ >= 0; }

    // The kernel's request on this control device, retried when a signal cuts it short.
    template <class Argument>
    bool ask(unsigned long request, Argument* argument) const {
        int rc = 0;
        do rc = ::ioctl(fd_, request, argument);
        while (rc < 0 && errno == EINTR);
        return rc == 0;
    }

private:
    int fd_ = -1;
};

// A text field of the kernel's card information, which need not end in a NUL.
std::string fieldText(const unsigned char* field, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(field);
    return std::string(trim(std::string_view(text, ::strnlen(text, size))));
}

class LinuxMultimedia final : public Multimedia {
public:
    std::uint32_t waveOutDeviceCount() override { return alsaPlaybackDeviceCount(); }
};

}  // namespace

// The control device's requests that ALSA's library makes for the same answers, without the
// library and its configuration: the next PCM device number, then that device's playback
// information, which only a device that can play has.
std::uint32_t alsaPlaybackDeviceCount() {
    std::uint32_t count = 0;
    for (int card = 0; card < kMaxCards; ++card) {
        const CardControl control(card);
        if (!control) continue;
        int device = -1;
        while (control.ask(SNDRV_CTL_IOCTL_PCM_NEXT_DEVICE, &device) && device >= 0) {
            snd_pcm_info info{};
            info.device = static_cast<unsigned>(device);
            info.subdevice = 0;
            info.stream = SNDRV_PCM_STREAM_PLAYBACK;
            if (control.ask(SNDRV_CTL_IOCTL_PCM_INFO, &info)) ++count;
        }
    }
    return count;
}

std::optional<std::string> firstAlsaCardName() {
    for (int card = 0; card < kMaxCards; ++card) {
        const CardControl control(card);
        snd_ctl_card_info info{};
        if (!control || !control.ask(SNDRV_CTL_IOCTL_CARD_INFO, &info)) continue;
        std::string name = fieldText(info.name, sizeof info.name);
        if (name.empty()) name = fieldText(info.longname, sizeof info.longname);
        if (!name.empty()) return name;
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
