#include "platform/linux/drm_mode.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

namespace vintrel::platform::linux_host {
namespace {

// The kernel's mode-setting interface (include/uapi/drm/drm_mode.h), which is stable; its
// header comes with libdrm, which the program does not otherwise need.
struct CardResources {
    std::uint64_t fbIds, crtcIds, connectorIds, encoderIds;
    std::uint32_t fbCount, crtcCount, connectorCount, encoderCount;
    std::uint32_t minWidth, maxWidth, minHeight, maxHeight;
};
struct ModeInfo {
    std::uint32_t clock;
    std::uint16_t hdisplay, hsyncStart, hsyncEnd, htotal, hskew;
    std::uint16_t vdisplay, vsyncStart, vsyncEnd, vtotal, vscan;
    std::uint32_t vrefresh, flags, type;
    char name[32];
};
struct Crtc {
    std::uint64_t setConnectors;
    std::uint32_t connectorCount, crtcId, fbId, x, y, gammaSize, modeValid;
    ModeInfo mode;
};
struct Connector {
    std::uint64_t encoders, modes, props, propValues;
    std::uint32_t modeCount, propCount, encoderCount;
    std::uint32_t encoderId, connectorId, connectorType, connectorTypeId;
    std::uint32_t connection, mmWidth, mmHeight, subpixel, pad;
};
struct Encoder {
    std::uint32_t encoderId, encoderType, crtcId, possibleCrtcs, possibleClones;
};
struct Framebuffer {
    std::uint32_t fbId, width, height, pitch, bpp, depth, handle;
};
constexpr unsigned long kGetResources = _IOWR('d', 0xA0, CardResources);
constexpr unsigned long kGetCrtc = _IOWR('d', 0xA1, Crtc);
constexpr unsigned long kGetEncoder = _IOWR('d', 0xA6, Encoder);
constexpr unsigned long kGetConnector = _IOWR('d', 0xA7, Connector);
constexpr unsigned long kGetFramebuffer = _IOWR('d', 0xAD, Framebuffer);
constexpr std::uint32_t kConnected = 1;

bool call(int fd, unsigned long request, void* data) {
    int rc;
    do rc = ::ioctl(fd, request, data);
    while (rc == -1 && (errno == EINTR || errno == EAGAIN));
    return rc == 0;
}

std::optional<DisplayMode> crtcMode(int fd, std::uint32_t crtcId) {
    Crtc crtc{};
    crtc.crtcId = crtcId;
    if (!call(fd, kGetCrtc, &crtc) || !crtc.modeValid || crtc.mode.hdisplay == 0) return std::nullopt;
    DisplayMode mode{crtc.mode.hdisplay, crtc.mode.vdisplay, 0};
    Framebuffer fb{};
    fb.fbId = crtc.fbId;
    if (crtc.fbId != 0 && call(fd, kGetFramebuffer, &fb)) mode.depth = static_cast<int>(fb.depth);
    return mode;
}

std::optional<DisplayMode> cardMode(int fd) {
    CardResources res{};
    if (!call(fd, kGetResources, &res)) return std::nullopt;
    std::vector<std::uint32_t> crtcs(std::min<std::uint32_t>(res.crtcCount, 64));
    std::vector<std::uint32_t> connectors(std::min<std::uint32_t>(res.connectorCount, 64));
    res = CardResources{};
    res.crtcIds = reinterpret_cast<std::uintptr_t>(crtcs.data());
    res.crtcCount = static_cast<std::uint32_t>(crtcs.size());
    res.connectorIds = reinterpret_cast<std::uintptr_t>(connectors.data());
    res.connectorCount = static_cast<std::uint32_t>(connectors.size());
    if (!call(fd, kGetResources, &res)) return std::nullopt;
    crtcs.resize(std::min<std::size_t>(crtcs.size(), res.crtcCount));
    connectors.resize(std::min<std::size_t>(connectors.size(), res.connectorCount));
    for (std::uint32_t id : connectors) {
        Connector c{};
        c.connectorId = id;  // no lists asked for: the kernel only counts them
        if (!call(fd, kGetConnector, &c) || c.connection != kConnected || c.encoderId == 0) continue;
        Encoder e{};
        e.encoderId = c.encoderId;
        if (call(fd, kGetEncoder, &e) && e.crtcId != 0)
            if (auto mode = crtcMode(fd, e.crtcId)) return mode;
    }
    for (std::uint32_t id : crtcs)
        if (auto mode = crtcMode(fd, id)) return mode;
    return std::nullopt;
}

}  // namespace

std::optional<DisplayMode> drmCurrentMode(const std::string& driFolder) {
    DIR* dir = ::opendir(driFolder.c_str());
    if (!dir) return std::nullopt;
    std::vector<std::string> cards;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind("card", 0) == 0) cards.push_back(name);
    }
    ::closedir(dir);
    std::sort(cards.begin(), cards.end());
    for (const std::string& card : cards) {
        const int fd = ::open((driFolder + "/" + card).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) continue;
        const auto mode = cardMode(fd);
        ::close(fd);
        if (mode) return mode;
    }
    return std::nullopt;
}

}  // namespace vintrel::platform::linux_host
