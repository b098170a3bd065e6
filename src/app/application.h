#pragma once

namespace vintrel::app {

// The program: command line, platform, main window, event loop. Returns the exit code.
int run(int argc, char** argv);

}  // namespace vintrel::app
