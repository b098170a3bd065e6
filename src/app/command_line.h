#pragma once
// The program's command line. With no arguments it is the desktop utility; the options add
// what tests, demos and bug reports need.

#include <optional>
#include <string>
#include <vector>

namespace vintrel::app {

struct Options {
    bool help = false;
    bool version = false;
    std::optional<std::string> screenshotFile;  // --screenshot FILE [window]
    bool dumpWidgets = false;                    // --dump-widgets [window]
    std::string window = "main";
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the command line is good
};

ParseResult parseCommandLine(const std::vector<std::string>& arguments);
std::string usageText();

}  // namespace vintrel::app
