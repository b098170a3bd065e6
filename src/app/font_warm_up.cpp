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

// The configuration FcInit() would load, fonts listed. FcInit() also parses every template in
// fontconfig's conf.avail folder for its description, which only configuration tools show:
// over a third of its work. Null for anything unusual (no configuration, no cache folder):
// Qt's own FcInit() then handles it with fontconfig's fallbacks and warnings, as always.
FcConfig* loadFontConfiguration() {
    FcConfig* config = FcConfigCreate();
    if (config != nullptr && FcConfigParseAndLoad(config, nullptr, FcTrue) && hasCacheFolder(config) &&
        FcConfigBuildFonts(config))
        return config;
    if (config != nullptr) FcConfigDestroy(config);
    return nullptr;
}

}  // namespace

FontConfigWarmUp::FontConfigWarmUp() {
    try {
        thread_ = std::thread([this] { loaded_ = loadFontConfiguration(); });
    } catch (const std::system_error&) {
        // No thread: Qt reads the configuration itself, as it would without us.
    }
}

FontConfigWarmUp::~FontConfigWarmUp() {
    if (thread_.joinable()) thread_.join();
    if (loaded_ != nullptr) FcConfigDestroy(loaded_);  // never handed over: no font was used
}

void FontConfigWarmUp::join() {
    if (thread_.joinable()) thread_.join();
    if (loaded_ == nullptr) return;
    // Made current here, on the thread that uses the fonts, before any font is used.
    FcConfigSetCurrent(loaded_);
    FcConfigDestroy(loaded_);  // the current configuration holds its own reference
    loaded_ = nullptr;
}

}  // namespace vintrel::app
