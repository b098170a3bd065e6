#pragma once
// Reads the font configuration (fontconfig's XML and caches, a large part of start-up) on
// a second thread while Qt and the platform start on the first. Qt's first font then finds it
// ready. Fontconfig's initialisation is thread-safe; join() is where the window's fonts may
// be used.

#include <thread>

namespace vintrel::app {

class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp() { join(); }
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

    void join();

private:
    std::thread thread_;
};

}  // namespace vintrel::app
