// vintrel-reg: the registry command line over the per-user store, with the values that the
// program answers live from this machine.

#include <QCoreApplication>
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "platform/linux/desktop_settings.h"
#include "platform/linux/live_keys_linux.h"
#include "platform/registry/reg_command.h"
#include "platform/registry/registry_store.h"
#include "text/cp1252.h"

int main(int argc, char** argv) {
    using namespace vintrel::registry;
    std::vector<std::string> args(argv + 1, argv + argc);
    // The desktop settings that some values stand for are reached over D-Bus on some desktops.
    QCoreApplication application(argc, argv);
    std::setlocale(LC_ALL, "C");  // Qt took the environment's locale; the output must not follow it
    RegCommandContext context;
    context.out = &std::cout;
    context.err = &std::cerr;
    context.interactive = ::isatty(STDIN_FILENO) == 1;
    // A terminal gets texts in its own character set; a file or a pipe the stored bytes.
    context.outputIsTerminal = ::isatty(STDOUT_FILENO) == 1;
    if (context.outputIsTerminal) {
        std::setlocale(LC_CTYPE, "");
        context.outputCharset = nl_langinfo(CODESET);
    } else {
        context.outputCharset.clear();
    }
    context.openStore = [](std::string& error) {
        return RegistryStore::open(databasePath(userRoot()), error);
    };
    // Only the commands that read need the machine's live values.
    if (!args.empty() && (vintrel::text::equalsIgnoreCaseCp1252(args[0], "query") ||
                          vintrel::text::equalsIgnoreCaseCp1252(args[0], "export"))) {
        vintrel::platform::linux_host::LinuxEnvironment environment;
        environment.root = userRoot();
        vintrel::platform::linux_host::HardwareFactsOptions hardware;
        hardware.primaryScreen = vintrel::platform::linux_host::sessionPrimaryScreen;
        context.live = vintrel::platform::linux_host::makeLinuxLiveKeys(environment, std::move(hardware));
    }
    // Values that stand for desktop settings follow the desktop whichever command touches them.
    context.desktop = vintrel::platform::linux_host::makeLinuxDesktopValues();
    context.confirm = [](const std::string& question) {
        std::cout << question << " " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer)) return false;
        return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
    };
    const int status = runRegCommand(args, context);
    std::cout.flush();
    return std::cout.good() ? status : 1;
}
