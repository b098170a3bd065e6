#pragma once
// The registry command line (vintrel-reg): query, add, delete, import and export, following
// the conventions of the Windows reg command. Arguments and output are UTF-8; the store
// holds Windows-1252.

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/desktop_values.h"
#include "platform/registry/live_keys.h"
#include "platform/registry/registry_store.h"

namespace vintrel::registry {

struct RegCommandContext {
    // Opens the store when a command needs it; nullptr with error set when it cannot.
    std::function<std::shared_ptr<RegistryStore>(std::string& error)> openStore;
    // Live values shown by query where the store has none, and by export /live (optional).
    std::shared_ptr<LiveKeys> live;
    // Values that stand for desktop settings: query shows the desktop's state, and add,
    // delete and import pass every change of them on to the desktop (optional).
    std::shared_ptr<DesktopValues> desktop;
    std::ostream* out = nullptr;
    // The character set that registry texts are shown in on `out` (an iconv name); empty:
    // the Windows-1252 bytes as they are, as a file or a pipe gets them.
    std::string outputCharset = "UTF-8";
    // True when `out` is a terminal: an export to standard output is shown in outputCharset
    // too, instead of as the file's bytes.
    bool outputIsTerminal = false;
    std::ostream* err = nullptr;
    // True when a person can answer questions (standard input is a terminal).
    bool interactive = false;
    // Asks a yes/no question; used only when interactive.
    std::function<bool(const std::string& question)> confirm;
};

// Runs one command; argv without the program name. Returns the exit status: 0 or 1.
int runRegCommand(const std::vector<std::string>& args, RegCommandContext& context);

// A sentence for a Win32 error code that the store returns.
std::string registryErrorText(long code);

}  // namespace vintrel::registry
