// The primary screen for a program without a toolkit (vintrel-reg): the colour depth Qt would
// report in this session, so that the tool shows the BitsPerPixel the program reads.

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

#include "platform/linux/hw_facts.h"

namespace vintrel::platform::linux_host {
namespace {

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Qt's Wayland screens always report 32 bits; its offscreen platform does too.
constexpr int kWaylandDepth = 32;

// The X server's depth of the default screen's root window, which is what Qt's xcb screens
// report.
std::optional<int> x11RootDepth() {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    std::optional<int> depth;
    if (xcb_connection_has_error(c) == 0) {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; it.rem > 0 && i < screenNumber; ++i) xcb_screen_next(&it);
        if (it.rem > 0) depth = it.data->root_depth;
    }
    xcb_disconnect(c);
    return depth;
}

// The platform Qt picks: the one QT_QPA_PLATFORM names, else Wayland in a Wayland session,
// else X11 when there is a server to ask.
std::optional<PrimaryScreenInfo> askSession() {
    const std::string_view platform = environment("QT_QPA_PLATFORM");
    const bool wayland = !environment("WAYLAND_DISPLAY").empty();
    const bool x11 = !environment("DISPLAY").empty();
    std::optional<int> depth;
    if (platform.starts_with("wayland")) {
        if (wayland) depth = kWaylandDepth;
    } else if (platform.starts_with("xcb")) {
        if (x11) depth = x11RootDepth();
    } else if (!platform.empty()) {
        depth = kWaylandDepth;
    } else if (wayland && (environment("XDG_SESSION_TYPE") == "wayland" || !x11)) {
        depth = kWaylandDepth;
    } else if (x11) {
        depth = x11RootDepth();
    }
    if (!depth) return std::nullopt;
    PrimaryScreenInfo screen;
    screen.depth = *depth;
    return screen;
}

}  // namespace

std::optional<PrimaryScreenInfo> sessionPrimaryScreen() {
    // Asked once: every value of the display key asks for it, and each ask would be a new
    // connection to the X server.
    static const std::optional<PrimaryScreenInfo> screen = askSession();
    return screen;
}

}  // namespace vintrel::platform::linux_host
