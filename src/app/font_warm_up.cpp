#include "app/font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace vintrel::app {
namespace {

bool hasCacheFolder(FcConfig* config) {
    FcStrList* folders = FcConfigGetCacheDirs(config);
    const bool any = folders != nullptr && FcStrListNext(folders) != nullptr;
    if (folders != nullptr) FcStrListDone(folders);
    return any;
}

// The configuration FcInit() would load, made current. FcInit() also parses every template in
// fontconfig's conf.avail folder for its description, which only configuration tools show:
// about a third of the whole work. Anything unusual (no configuration, no cache folder) is
// left to FcInit(), whose fallbacks and warnings then apply as they always do.
void loadFontConfiguration() {
    FcConfig* config = FcConfigCreate();
    const bool loaded = config != nullptr && FcConfigParseAndLoad(config, nullptr, FcTrue) &&
                        hasCacheFolder(config) && FcConfigBuildFonts(config) && FcConfigSetCurrent(config);
    if (config != nullptr) FcConfigDestroy(config);  // the current configuration holds its own reference
    if (!loaded) FcInit();
}

}  // namespace

FontConfigWarmUp::FontConfigWarmUp() {
    try {
        thread_ = std::thread(loadFontConfiguration);
    } catch (const std::system_error&) {
        // No thread: Qt reads the configuration itself, as it would without us.
    }
}

void FontConfigWarmUp::join() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace vintrel::app
