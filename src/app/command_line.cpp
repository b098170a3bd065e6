#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

namespace vintrel::app {
namespace {

bool endsWithPng(const std::string& file) {
    if (file.size() < 4) return false;
    std::string end = file.substr(file.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".png";
}

bool knownPage(const std::string& page) {
    const auto& pages = settingsPageNames();
    return std::find(pages.begin(), pages.end(), page) != pages.end();
}

std::string pageList() {
    std::string list;
    for (const std::string& page : settingsPageNames()) list += (list.empty() ? "" : ", ") + page;
    return list;
}

}  // namespace

ParseResult parseCommandLine(const std::vector<std::string>& arguments) {
    ParseResult result;
    Options& o = result.options;
    const auto takeWindow = [&](std::size_t& i) {
        if (i + 1 >= arguments.size()) return;
        if (const auto name = parseWindowName(arguments[i + 1])) {
            o.window = *name;
            ++i;
        }
    };
    // The file after an option that writes one ("-": standard output); empty when none follows.
    const auto takeOutputFile = [&](std::size_t& i) -> std::optional<std::string> {
        if (i + 1 >= arguments.size() || arguments[i + 1].empty() ||
            (arguments[i + 1] != "-" && arguments[i + 1].rfind("-", 0) == 0))
            return std::nullopt;
        return arguments[++i];
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--screenshot") {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty() ||
                arguments[i + 1].rfind("--", 0) == 0) {
                result.error = "--screenshot needs a file name";
                return result;
            }
            o.screenshotFile = arguments[++i];
            if (!endsWithPng(*o.screenshotFile)) {
                result.error = "--screenshot writes PNG pictures only: " + *o.screenshotFile +
                               " does not end in .png";
                return result;
            }
            takeWindow(i);
            if (o.window == WindowName::Settings && i + 1 < arguments.size() &&
                arguments[i + 1].rfind("--", 0) != 0) {
                o.page = arguments[++i];
                if (!knownPage(o.page)) {
                    result.error =
                        "the settings dialog has no page " + o.page + "; its pages are " + pageList();
                    return result;
                }
            }
        } else if (a == "--report" || a == "--capture-profile") {
            auto file = takeOutputFile(i);
            if (!file) {
                result.error = a + " needs a file name (or - for standard output)";
                return result;
            }
            (a == "--report" ? o.reportFile : o.captureFile) = std::move(file);
        } else if (a == "--compare") {
            if (i + 2 >= arguments.size() || arguments[i + 1].empty() || arguments[i + 2].empty()) {
                result.error = "--compare needs two machine profiles: OLD NEW (- for standard input)";
                return result;
            }
            o.compareFiles = {arguments[i + 1], arguments[i + 2]};
            i += 2;
        } else if (a == "--include-personal") {
            o.includePersonal = true;
        } else if (a == "--open") {
            const auto name = i + 1 < arguments.size() ? parseWindowName(arguments[i + 1]) : std::nullopt;
            if (!name || *name == WindowName::Main) {
                result.error = "--open needs a window: settings or about";
                return result;
            }
            o.openAtStart = *name;
            ++i;
        } else if (a == "--dump-widgets") {
            o.dumpWidgets = true;
            takeWindow(i);
        } else {
            result.error = "unknown argument: " + a;
            return result;
        }
    }
    const bool other = o.screenshotFile || o.dumpWidgets || o.reportFile || o.captureFile || o.openAtStart;
    if (!o.compareFiles.empty() && other)
        result.error = "--compare runs alone";
    else if (o.screenshotFile && o.dumpWidgets)
        result.error = "--screenshot and --dump-widgets cannot be combined";
    else if (o.captureFile && o.reportFile)
        result.error = "--capture-profile and --report cannot be combined";
    else if (o.includePersonal && !o.captureFile)
        result.error = "--include-personal goes with --capture-profile";
    else if (o.captureFile && *o.captureFile == "-" && o.dumpWidgets)
        result.error = "--capture-profile - and --dump-widgets cannot both write to standard output";
    else if (o.openAtStart && (o.screenshotFile || o.dumpWidgets || o.reportFile || o.captureFile))
        result.error =
            "--open runs the program; it cannot be combined with --screenshot, --dump-widgets, --report or "
            "--capture-profile";
    return result;
}

std::string usageText() {
    return "Usage: vintrel [OPTION]\n"
           "Shows the machine's disks, memory and hardware on one window.\n"
           "\n"
           "  --screenshot FILE [WINDOW [PAGE]]  render WINDOW after start-up to FILE (PNG) and exit\n"
           "  --dump-widgets [WINDOW]            print WINDOW's named controls as JSON and exit\n"
           "                                     WINDOW: main (default), settings or about;\n"
           "                                     PAGE: a settings page: TabSheet1, TabSheet2,\n"
           "                                     TabSheet3, TabSheet4 or TabSheet6\n"
           "  --open WINDOW                      run as usual and open WINDOW (settings or about)\n"
           "                                     at start, as its button does\n"
           "  --report FILE                      write the system report to FILE (- for standard\n"
           "                                     output), Windows-1252 with CR LF, and exit\n"
           "  --capture-profile FILE             write this machine as a machine profile to FILE\n"
           "                                     (- for standard output) and exit; with\n"
           "                                     --dump-widgets or --screenshot, as that window read it\n"
           "  --include-personal                 keep owner, product id, serial numbers and window\n"
           "                                     titles in the profile instead of placeholders\n"
           "  --compare OLD NEW                  compare two machine profiles (- for standard input)\n"
           "                                     and print what changed; exit 0 when nothing\n"
           "                                     did, 1 when something did, 2 when one cannot be read\n"
           "  --version                          print the version and exit\n"
           "  --help                             print this help and exit\n"
           "\n"
           "Environment:\n"
           "  VINTREL_ROOT     folder of the Windows tree and the registry\n"
           "                   (default: $XDG_DATA_HOME/vintrel)\n"
           "  VINTREL_MACHINE  a machine profile (JSON) to play instead of this machine\n";
}

}  // namespace vintrel::app
