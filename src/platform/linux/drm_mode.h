#pragma once
// The display mode the kernel's display driver is showing, read from the DRM device without
// any graphical session: the current mode of the CRTC that drives the first connected
// connector (else of the first CRTC with a mode), and its framebuffer's colour depth.

#include <optional>
#include <string>

namespace vintrel::platform::linux_host {

struct DisplayMode {
    int width = 0;
    int height = 0;
    int depth = 0;  // bits per pixel of the colour; 0 when the driver does not tell
};

// From the card devices (card0, card1...) in `driFolder`; none when no card can be opened or
// none shows a mode.
std::optional<DisplayMode> drmCurrentMode(const std::string& driFolder = "/dev/dri");

}  // namespace vintrel::platform::linux_host
