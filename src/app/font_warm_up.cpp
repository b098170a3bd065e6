#include "app/font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace vintrel::app {

FontConfigWarmUp::FontConfigWarmUp() {
    try {
        thread_ = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread: Qt reads the configuration itself, as it would without us.
    }
}

void FontConfigWarmUp::join() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace vintrel::app
