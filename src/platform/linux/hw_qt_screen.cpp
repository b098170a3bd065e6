// Qt's primary screen for the hardware facts, apart from the gatherers so that a program
// without a screen (vintrel-reg) links them without Qt's GUI library.

#include <QGuiApplication>
#include <QScreen>

#include "platform/linux/drm_mode.h"
#include "platform/linux/hw_gatherers.h"

namespace vintrel::platform::linux_host {

std::optional<PrimaryScreenInfo> qtPrimaryScreen() {
    if (!qGuiApp) return std::nullopt;
    // The offscreen platform's screen is made up: the display driver's depth, where it tells.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        const auto mode = drmCurrentMode();
        if (!mode || mode->depth <= 0) return std::nullopt;
        return PrimaryScreenInfo{{}, {}, {}, mode->depth};
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    return PrimaryScreenInfo{screen->name().toStdString(), screen->model().toStdString(),
                             screen->manufacturer().toStdString(), screen->depth()};
}

}  // namespace vintrel::platform::linux_host
