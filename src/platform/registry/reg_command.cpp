#include "platform/registry/reg_command.h"

#include <ostream>

#include "platform/registry/reg_command_impl.h"
#include "platform/registry/reg_options.h"
#include "platform/registry/reg_value_text.h"
#include "text/cp1252.h"

namespace vintrel::registry {

namespace {

constexpr const char* kUsage =
    "Usage: vintrel-reg COMMAND ...\n"
    "\n"
    "  query  KEY [/v NAME | /ve] [/s]\n"
    "  add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
    "  delete KEY [/v NAME | /ve | /va] [/f]\n"
    "  import FILE\n"
    "  export KEY FILE [/y] [/live]\n"
    "\n"
    "KEY is ROOT\\path with ROOT one of HKLM, HKCU, HKCR or their full names\n"
    "(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT). Names ignore letter case.\n"
    "\n"
    "  /v NAME  the value NAME          /ve  the key's default value\n"
    "  /va      every value of the key  /s   query subkeys too\n"
    "  /t TYPE  REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ (parts separated by \\0),\n"
    "           REG_DWORD, REG_QWORD (decimal or 0x hex), REG_BINARY (hex digits), REG_NONE\n"
    "  /d DATA  the value's data        /f   no questions: overwrite or delete\n"
    "  /y       overwrite FILE on export\n"
    "  /live    export the live values too\n"
    "\n"
    "query shows the values as the program reads them: stored ones, and the values that the\n"
    "program answers live from this machine (product name, hardware, display); a line ends\n"
    "in (live) where such a value is shown because nothing is stored in its place, and in\n"
    "(desktop) where the value stands for a setting of the running desktop and shows its state;\n"
    "add, delete and import change such a setting on the desktop too.\n"
    "Each switch may be given once.\n"
    "\n"
    "import reads REGEDIT4 and \"Windows Registry Editor Version 5.00\" files and applies a\n"
    "file whole or not at all; export writes REGEDIT4. FILE may be - for standard output.\n"
    "The registry is kept in registry.sqlite3 in $VINTREL_ROOT, else $XDG_DATA_HOME/vintrel,\n"
    "else ~/.local/share/vintrel. Exit status: 0 on success, 1 on failure.\n";

}  // namespace

namespace detail {

int Command::run(const std::vector<std::string>& args) {
    if (args.empty()) {
        *c_.err << kUsage;
        return 1;
    }
    const std::string& verb = args[0];
    if (verb == "--help" || verb == "-h" || verb == "/?" || verb == "help") {
        *c_.out << kUsage;
        return 0;
    }
    if (const std::string problem = parseRegOptions(args, o_); !problem.empty()) return fail(problem);
    if (text::equalsIgnoreCaseCp1252(verb, "query")) return query();
    if (text::equalsIgnoreCaseCp1252(verb, "add")) return add();
    if (text::equalsIgnoreCaseCp1252(verb, "delete")) return remove();
    if (text::equalsIgnoreCaseCp1252(verb, "import")) return import();
    if (text::equalsIgnoreCaseCp1252(verb, "export")) return exportKey();
    return fail("unknown command \"" + verb + "\"; try vintrel-reg --help");
}

int Command::fail(const std::string& message) {
    *c_.err << "ERROR: " << message << "\n";
    return 1;
}

int Command::failCode(long code) {
    if (code == platform::ERROR_ACCESS_DENIED && store_ && !store_->readOnlyReason().empty())
        return fail(registryErrorText(code) + " The registry " + store_->file() +
                    " can only be read: " + store_->readOnlyReason() + ".");
    return fail(registryErrorText(code));
}

bool Command::expectPositional(std::size_t count, const char* form) {
    if (o_.positional.size() == count) return true;
    fail(std::string(o_.positional.size() < count ? "missing" : "too many") + " arguments; usage: " + form);
    return false;
}

bool Command::parseKey(const std::string& argument, FullKeyPath& key) {
    const auto parsed = parseFullKeyPath(text::utf8ToCp1252(argument));
    if (!parsed) {
        fail("invalid key name \"" + argument + "\"; it must start with HKLM, HKCU or HKCR");
        return false;
    }
    key = *parsed;
    return true;
}

bool Command::openStore() {
    std::string error;
    store_ = c_.openStore ? c_.openStore(error) : nullptr;
    if (!store_) {
        fail(error.empty() ? "cannot open the registry" : error);
        return false;
    }
    return true;
}

bool Command::ask(const std::string& question) {
    return c_.confirm && c_.confirm(question);
}

std::string Command::keyText(const FullKeyPath& key) {
    std::string out(rootKeyName(key.root));
    if (!key.path.empty()) out += "\\" + key.path;
    return out;
}

bool Command::keyExists(const FullKeyPath& key) {
    return store_->keyExists(key.root, key.path) || (c_.live && c_.live->keyExists(key.root, key.path)) ||
           desktopKeyExists(c_.desktop.get(), key.root, key.path);
}

// Registry text as standard output takes it.
std::string Command::shown(std::string_view cp1252) {
    return inCharset(masked(cp1252), c_.outputCharset);
}

}  // namespace detail

std::string registryErrorText(long code) {
    switch (code) {
        case 0:
            return "The operation completed successfully.";
        case platform::ERROR_FILE_NOT_FOUND:
        case platform::ERROR_PATH_NOT_FOUND:
            return "The system was unable to find the specified registry key or value.";
        case platform::ERROR_ACCESS_DENIED:
            return "Access is denied.";
        case platform::ERROR_BUSY:
            return "The registry database is in use by another process; try again.";
        case platform::ERROR_REGISTRY_CORRUPT:
            return "The registry database is damaged.";
        case platform::ERROR_DISK_FULL:
        case platform::ERROR_HANDLE_DISK_FULL:
            return "There is not enough space on the disk.";
        case platform::ERROR_NOT_ENOUGH_MEMORY:
            return "Not enough memory.";
        case platform::ERROR_INVALID_PARAMETER:
            return "The parameter is incorrect: a key name is limited to 255 characters and 512 levels, a "
                   "value name to 16,383 characters, and names cannot hold a NUL.";
        default:
            return "The registry operation failed (error " + std::to_string(code) + ").";
    }
}

int runRegCommand(const std::vector<std::string>& args, RegCommandContext& context) {
    return detail::Command(context).run(args);
}

}  // namespace vintrel::registry
