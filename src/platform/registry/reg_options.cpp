#include "platform/registry/reg_options.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "text/cp1252.h"

namespace vintrel::registry {
namespace {

// The switches each command takes; any other is a syntax error, as reg has it.
struct CommandSwitches {
    const char* verb;
    std::vector<std::string_view> switches;
};
const CommandSwitches kSwitches[] = {
    {"query", {"v", "ve", "s"}},        {"add", {"v", "ve", "t", "d", "f"}},
    {"delete", {"v", "ve", "va", "f"}}, {"import", {}},
    {"export", {"y", "live"}},
};

bool isSwitch(const std::string& arg, std::string_view name) {
    return arg.size() == name.size() + 1 && (arg[0] == '/' || arg[0] == '-') &&
           text::equalsIgnoreCaseCp1252(std::string_view(arg).substr(1), name);
}

// "/x" or "/xy": an unknown switch rather than a path such as "/tmp/a.reg".
bool looksLikeSwitch(const std::string& arg) {
    if (arg.size() < 2 || arg.size() > 3 || arg[0] != '/') return false;
    for (std::size_t i = 1; i < arg.size(); ++i)
        if (!std::isalpha(static_cast<unsigned char>(arg[i])) && arg[i] != '?') return false;
    return true;
}

std::string syntaxError(const std::string& problem) {
    return "Invalid syntax: " + problem + "\nType \"vintrel-reg --help\" for usage.";
}

// The switch an argument names ("v" for /v, -V...), or nullopt for a positional argument.
std::optional<std::string> switchName(const std::string& arg) {
    for (const char* name : {"v", "ve", "va", "s", "f", "y", "t", "d", "live"})
        if (isSwitch(arg, name)) return std::string(name);
    return std::nullopt;
}

}  // namespace

std::string parseRegOptions(const std::vector<std::string>& args, RegOptions& o) {
    const CommandSwitches* command = nullptr;
    for (const CommandSwitches& c : kSwitches)
        if (text::equalsIgnoreCaseCp1252(args[0], c.verb)) command = &c;
    std::vector<std::string> seen;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto name = switchName(arg);
        if (!name) {
            if (looksLikeSwitch(arg)) return "unknown switch " + arg;
            o.positional.push_back(arg);
            continue;
        }
        if (command) {
            const auto& allowed = command->switches;
            if (std::find(allowed.begin(), allowed.end(), *name) == allowed.end())
                return syntaxError("/" + *name + " does not go with " + command->verb);
        }
        if (std::find(seen.begin(), seen.end(), *name) != seen.end())
            return syntaxError("/" + *name + " is given more than once");
        for (const auto& [a, b] : {std::pair{"v", "ve"}, {"v", "va"}, {"ve", "va"}})
            if ((*name == a && std::find(seen.begin(), seen.end(), b) != seen.end()) ||
                (*name == b && std::find(seen.begin(), seen.end(), a) != seen.end()))
                return syntaxError(std::string("/") + a + " and /" + b + " cannot be used together");
        seen.push_back(*name);
        auto next = [&](std::optional<std::string>& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        if (*name == "v") {
            if (!next(o.valueName)) return arg + " needs an argument";
            if (o.valueName->empty()) return "/v needs a value name; use /ve for the default value";
            o.valueName = text::utf8ToCp1252(*o.valueName);
        } else if (*name == "ve") {
            o.valueName = std::string();
        } else if (*name == "va") {
            o.allValues = true;
        } else if (*name == "s") {
            o.recursive = true;
        } else if (*name == "f") {
            o.force = true;
        } else if (*name == "y") {
            o.overwriteFile = true;
        } else if (*name == "live") {
            o.live = true;
        } else if (*name == "t") {
            if (!next(o.type)) return arg + " needs an argument";
        } else if (*name == "d") {
            if (!next(o.data)) return arg + " needs an argument";
            o.data = text::utf8ToCp1252(*o.data);
        }
    }
    return {};
}

}  // namespace vintrel::registry
