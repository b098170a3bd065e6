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

// The options that cannot go together; empty text when these can.
std::string conflictOf(const Options& o) {
    const bool other = o.screenshotFile || o.dumpWidgets || o.reportFile || o.captureFile || o.openAtStart;
    if (!o.compareFiles.empty() && other) return "--compare runs alone";
    if (o.screenshotFile && o.dumpWidgets) return "--screenshot and --dump-widgets cannot be combined";
    if (o.captureFile && o.reportFile) return "--capture-profile and --report cannot be combined";
    if (o.includePersonal && !o.captureFile) return "--include-personal goes with --capture-profile";
    if (o.captureFile && *o.captureFile == "-" && o.dumpWidgets)
        return "--capture-profile - and --dump-widgets cannot both write to standard output";
    if (o.openAtStart && (o.screenshotFile || o.dumpWidgets || o.reportFile || o.captureFile))
        return "--open runs the program; it cannot be combined with --screenshot, --dump-widgets, --report or "
               "--capture-profile";
    return {};
}

// Reads the arguments one option at a time; each option takes what follows it and says what is
// wrong with it.
class Reader {
public:
    Reader(const std::vector<std::string>& arguments, Options& options) : a_(arguments), o_(options) {}

    // What is wrong with the command line, or empty text.
    std::string read() {
        for (i_ = 0; i_ < a_.size(); ++i_)
            if (std::string error = option(a_[i_]); !error.empty()) return error;
        return conflictOf(o_);
    }

private:
    std::string option(const std::string& a) {
        if (a == "--help" || a == "-h") o_.help = true;
        else if (a == "--version") o_.version = true;
        else if (a == "--screenshot") return screenshot();
        else if (a == "--report" || a == "--capture-profile") return outputFile(a);
        else if (a == "--compare") return compare();
        else if (a == "--include-personal") o_.includePersonal = true;
        else if (a == "--open") return open();
        else if (a == "--dump-widgets") {
            o_.dumpWidgets = true;
            window();
        } else
            return "unknown argument: " + a;
        return {};
    }

    bool follows(std::size_t k = 1) const { return i_ + k < a_.size(); }

    void window() {
        if (!follows()) return;
        if (const auto name = parseWindowName(a_[i_ + 1])) {
            o_.window = *name;
            ++i_;
        }
    }

    std::string screenshot() {
        if (!follows() || a_[i_ + 1].empty() || a_[i_ + 1].rfind("--", 0) == 0) return "--screenshot needs a file name";
        o_.screenshotFile = a_[++i_];
        if (!endsWithPng(*o_.screenshotFile))
            return "--screenshot writes PNG pictures only: " + *o_.screenshotFile + " does not end in .png";
        window();
        if (o_.window == WindowName::Settings && follows() && a_[i_ + 1].rfind("--", 0) != 0) {
            o_.page = a_[++i_];
            if (!knownPage(o_.page)) return "the settings dialog has no page " + o_.page + "; its pages are " + pageList();
        }
        return {};
    }

    // The file after an option that writes one ("-": standard output).
    std::string outputFile(const std::string& a) {
        if (!follows() || a_[i_ + 1].empty() || (a_[i_ + 1] != "-" && a_[i_ + 1].rfind("-", 0) == 0))
            return a + " needs a file name (or - for standard output)";
        (a == "--report" ? o_.reportFile : o_.captureFile) = a_[++i_];
        return {};
    }

    std::string compare() {
        if (!follows(2) || a_[i_ + 1].empty() || a_[i_ + 2].empty())
            return "--compare needs two machine profiles: OLD NEW (- for standard input)";
        o_.compareFiles = {a_[i_ + 1], a_[i_ + 2]};
        i_ += 2;
        return {};
    }

    std::string open() {
        const auto name = follows() ? parseWindowName(a_[i_ + 1]) : std::nullopt;
        if (!name || *name == WindowName::Main) return "--open needs a window: settings or about";
        o_.openAtStart = *name;
        ++i_;
        return {};
    }

    const std::vector<std::string>& a_;
    Options& o_;
    std::size_t i_ = 0;
};

}  // namespace

ParseResult parseCommandLine(const std::vector<std::string>& arguments) {
    ParseResult result;
    result.error = Reader(arguments, result.options).read();
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
