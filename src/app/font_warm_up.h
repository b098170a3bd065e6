#pragma once
// Reads the font configuration (fontconfig's XML and caches, a large part of start-up) on
// a second thread while Qt and the platform start on the first. join(), where the window's
// fonts may first be used, makes it fontconfig's current configuration on the calling thread,
// so Qt's first font finds it ready.

#include <fontconfig/fontconfig.h>

#include <thread>

namespace vintrel::app {

class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

    void join();

private:
    std::thread thread_;
    FcConfig* loaded_ = nullptr;  // written by the thread, handed over by join()
};

}  // namespace vintrel::app
