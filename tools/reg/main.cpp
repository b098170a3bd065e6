// vintrel-reg: the registry command line over the per-user store.

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "platform/registry/reg_command.h"
#include "platform/registry/registry_store.h"

int main(int argc, char** argv) {
    using namespace vintrel::registry;
    std::vector<std::string> args(argv + 1, argv + argc);
    RegCommandContext context;
    context.out = &std::cout;
    context.err = &std::cerr;
    context.interactive = ::isatty(STDIN_FILENO) == 1;
    context.openStore = [](std::string& error) {
        return RegistryStore::open(databasePath(userRoot()), error);
    };
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
