#pragma once
// The program's command line. With no arguments it is the desktop utility; the options add
// what tests, demos and bug reports need.

#include <optional>
#include <string>
#include <vector>

#include "app/window_catalogue.h"

namespace vintrel::app {

struct Options {
    bool help = false;
    bool version = false;
    std::optional<std::string> screenshotFile;  // --screenshot FILE [window [page]]
    bool dumpWidgets = false;                   // --dump-widgets [window]
    std::optional<std::string> reportFile;      // --report FILE ("-": standard output)
    std::optional<std::string> captureFile;     // --capture-profile FILE ("-": standard output)
    bool includePersonal = false;               // --include-personal
    std::optional<WindowName> openAtStart;      // --open WINDOW: clicked open after start-up
    std::vector<std::string> compareFiles;      // --compare OLD NEW: two profiles
    WindowName window = WindowName::Main;
    std::string page;  // a page of the settings dialog to show in a screenshot
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the command line is good
};

ParseResult parseCommandLine(const std::vector<std::string>& arguments);
std::string usageText();

}  // namespace vintrel::app
