#pragma once
// The user-interface group on Linux: the primary screen's size in device pixels, "always on
// top" and the list of top-level windows. On X11 both go through the EWMH protocol with the
// running Qt application's xcb connection; elsewhere (Wayland, offscreen) they reach only
// this program's own windows, as those platforms offer no list of other clients' windows.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

// A window title as X11 delivers it: _NET_WM_NAME is UTF-8, WM_NAME of type STRING is
// ISO 8859-1. Returns Windows-1252.
std::string windowTitleFromUtf8(std::string_view utf8);
std::string windowTitleFromLatin1(std::string_view latin1);

// The device-pixel length that Qt shows as `logical` at a scale factor: Qt rounds the device
// length divided by the factor, so at 1.5 a 1024-pixel height shows as 683, which times 1.5
// is 1024.5. Of the lengths that round to `logical`, the even one (display modes are even)
// nearest to the product, else the nearest.
int deviceLength(int logical, double ratio);

std::unique_ptr<UserInterface> makeLinuxUserInterface();

}  // namespace vintrel::platform::linux_host
