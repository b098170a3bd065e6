#include "platform/registry/reg_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <ostream>

#include "platform/host/whole_file.h"
#include "platform/registry/key_path.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/reg_options.h"
#include "platform/registry/reg_value_text.h"
#include "text/cp1252.h"

namespace vintrel::registry {

using platform::HKey;
using platform::RegValue;

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
    "in (live) where such a value is shown because nothing is stored in its place.\n"
    "Each switch may be given once.\n"
    "\n"
    "import reads REGEDIT4 and \"Windows Registry Editor Version 5.00\" files and applies a\n"
    "file whole or not at all; export writes REGEDIT4. FILE may be - for standard output.\n"
    "The registry is kept in registry.sqlite3 in $VINTREL_ROOT, else $XDG_DATA_HOME/vintrel,\n"
    "else ~/.local/share/vintrel. Exit status: 0 on success, 1 on failure.\n";

constexpr const char* kDone = "The operation completed successfully.\n";
// Ends the line of a value that the program answers live and the store does not hold.
constexpr const char* kLiveMarker = "    (live)";

class Command {
public:
    Command(RegCommandContext& context) : c_(context) {}

    int run(const std::vector<std::string>& args) {
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

private:
    int fail(const std::string& message) {
        *c_.err << "ERROR: " << message << "\n";
        return 1;
    }

    int failCode(long code) {
        if (code == platform::ERROR_ACCESS_DENIED && store_ && !store_->readOnlyReason().empty())
            return fail(registryErrorText(code) + " The registry " + store_->file() +
                        " can only be read: " + store_->readOnlyReason() + ".");
        return fail(registryErrorText(code));
    }

    bool expectPositional(std::size_t count, const char* form) {
        if (o_.positional.size() == count) return true;
        fail(std::string(o_.positional.size() < count ? "missing" : "too many") +
             " arguments; usage: " + form);
        return false;
    }

    bool parseKey(const std::string& argument, FullKeyPath& key) {
        const auto parsed = parseFullKeyPath(text::utf8ToCp1252(argument));
        if (!parsed) {
            fail("invalid key name \"" + argument + "\"; it must start with HKLM, HKCU or HKCR");
            return false;
        }
        key = *parsed;
        return true;
    }

    bool openStore() {
        std::string error;
        store_ = c_.openStore ? c_.openStore(error) : nullptr;
        if (!store_) {
            fail(error.empty() ? "cannot open the registry" : error);
            return false;
        }
        return true;
    }

    bool ask(const std::string& question) { return c_.confirm && c_.confirm(question); }

    static std::string keyText(const FullKeyPath& key) {
        std::string out(rootKeyName(key.root));
        if (!key.path.empty()) out += "\\" + key.path;
        return out;
    }

    bool keyExists(const FullKeyPath& key) {
        return store_->keyExists(key.root, key.path) || (c_.live && c_.live->keyExists(key.root, key.path));
    }

    // ------------------------------------------------------------------ query

    // Registry text as standard output takes it.
    std::string shown(std::string_view cp1252) { return inCharset(masked(cp1252), c_.outputCharset); }

    void printValue(const std::string& name, const RegValue& value, bool live = false) {
        *c_.out << "    " << (name.empty() ? std::string("(Default)") : shown(name)) << "    "
                << typeName(value.type) << "    " << inCharset(dataText(value), c_.outputCharset)
                << (live ? kLiveMarker : "") << "\n";
    }

    // The live values of the key that the store does not hold in their place.
    std::vector<RegistryStore::NamedValue> liveOnly(const FullKeyPath& key,
                                                    const std::vector<RegistryStore::NamedValue>& stored) {
        std::vector<RegistryStore::NamedValue> out;
        if (!c_.live) return out;
        for (const std::string& name : c_.live->valueNames(key.root, key.path)) {
            const bool hidden = std::any_of(stored.begin(), stored.end(), [&](const auto& s) {
                return text::equalsIgnoreCaseCp1252(s.name, name);
            });
            if (hidden) continue;
            if (auto value = c_.live->value(key.root, key.path, name)) out.push_back({name, std::move(*value)});
        }
        return out;
    }

    long subKeyNames(const FullKeyPath& key, std::vector<std::string>& names) {
        long code = store_->subKeys(key.root, key.path, names);
        if (code == platform::ERROR_FILE_NOT_FOUND) code = 0;
        if (code != 0 || !c_.live) return code;
        for (std::string& live : c_.live->subKeys(key.root, key.path)) {
            bool known = false;
            for (const std::string& name : names) known = known || text::equalsIgnoreCaseCp1252(name, live);
            if (!known) names.push_back(std::move(live));
        }
        return 0;
    }

    long queryKey(const FullKeyPath& key, int depth) {
        *c_.out << "\n" << shown(keyText(key)) << "\n";
        std::vector<RegistryStore::NamedValue> values;
        long code = store_->values(key.root, key.path, values);
        if (code == platform::ERROR_FILE_NOT_FOUND) code = 0;
        if (code != 0) return code;
        for (const auto& value : values) printValue(value.name, value.value);
        for (const auto& value : liveOnly(key, values)) printValue(value.name, value.value, true);
        std::vector<std::string> children;
        if (long error = subKeyNames(key, children)) return error;
        if (!o_.recursive) {
            if (!children.empty()) *c_.out << "\n";
            for (const std::string& child : children)
                *c_.out << shown(keyText({key.root, joinKeyPath(key.path, child)})) << "\n";
            return 0;
        }
        if (depth >= 512) return 0;
        for (const std::string& child : children)
            if (long error = queryKey({key.root, joinKeyPath(key.path, child)}, depth + 1)) return error;
        return 0;
    }

    int query() {
        if (!expectPositional(1, "query KEY [/v NAME | /ve] [/s]")) return 1;
        FullKeyPath key;
        if (!parseKey(o_.positional[0], key) || !openStore()) return 1;
        if (!keyExists(key)) return failCode(platform::ERROR_FILE_NOT_FOUND);
        if (o_.valueName) {
            RegValue value;
            std::string name = *o_.valueName;
            long code = store_->getValue(key.root, key.path, name, value);
            if (code == 0) {
                // Show the name as it was created.
                std::vector<RegistryStore::NamedValue> values;
                if (store_->values(key.root, key.path, values) == 0)
                    for (const auto& named : values)
                        if (text::equalsIgnoreCaseCp1252(named.name, name)) name = named.name;
            }
            bool live = false;
            if (code == platform::ERROR_FILE_NOT_FOUND && c_.live) {
                if (auto answered = c_.live->value(key.root, key.path, *o_.valueName)) {
                    value = std::move(*answered);
                    code = 0;
                    live = true;
                    for (const std::string& liveName : c_.live->valueNames(key.root, key.path))
                        if (text::equalsIgnoreCaseCp1252(liveName, name)) name = liveName;
                }
            }
            if (code != 0) return failCode(code);
            *c_.out << "\n" << shown(keyText(key)) << "\n";
            printValue(name, value, live);
            *c_.out << "\n";
            return 0;
        }
        if (long code = queryKey(key, 0)) return failCode(code);
        *c_.out << "\n";
        return 0;
    }

    // ------------------------------------------------------------------ add

    int add() {
        if (!expectPositional(1, "add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]")) return 1;
        FullKeyPath key;
        if (!parseKey(o_.positional[0], key)) return 1;
        std::uint32_t type = platform::REG_SZ;
        if (o_.type) {
            const auto parsed = typeFromName(*o_.type);
            if (!parsed) return fail("unknown type " + *o_.type + "; try vintrel-reg --help");
            type = *parsed;
        }
        // Data or a type without /v sets the default value, as reg does.
        if (!o_.valueName && (o_.data || o_.type)) o_.valueName = std::string();
        if (std::string problem = keyPathProblem(key.path); !problem.empty()) return fail(problem);
        if (o_.valueName)
            if (std::string problem = valueNameProblem(*o_.valueName); !problem.empty()) return fail(problem);
        std::string bytes;
        if (o_.valueName) {
            const std::string problem = encodeValueData(type, o_.data.value_or(""), bytes);
            if (!problem.empty()) return fail(problem);
        }
        if (!openStore()) return 1;
        if (!o_.valueName) {
            if (long code = store_->createKey(key.root, key.path)) return failCode(code);
            *c_.out << kDone;
            return 0;
        }
        RegValue existing;
        if (!o_.force && c_.interactive &&
            store_->getValue(key.root, key.path, *o_.valueName, existing) == 0) {
            const std::string name = o_.valueName->empty() ? "(Default)" : shown(*o_.valueName);
            if (!ask("Value " + name + " exists, overwrite (Yes/No)?"))
                return fail("the operation was cancelled");
        }
        if (long code = store_->setValue(key.root, key.path, *o_.valueName, type, bytes))
            return failCode(code);
        *c_.out << kDone;
        return 0;
    }

    // ------------------------------------------------------------------ delete

    int remove() {
        if (!expectPositional(1, "delete KEY [/v NAME | /ve | /va] [/f]")) return 1;
        FullKeyPath key;
        if (!parseKey(o_.positional[0], key)) return 1;
        if (!o_.valueName && !o_.allValues && key.path.empty()) return fail("a root key cannot be deleted");
        if (!openStore()) return 1;
        if (!store_->keyExists(key.root, key.path)) return failCode(platform::ERROR_FILE_NOT_FOUND);
        std::string question;
        if (o_.valueName)
            question = "Delete the registry value " +
                       (o_.valueName->empty() ? std::string("(Default)") : shown(*o_.valueName)) +
                       " (Yes/No)?";
        else if (o_.allValues)
            question = "Delete all values under the registry key " + shown(keyText(key)) + " (Yes/No)?";
        else
            question = "Permanently delete the registry key " + shown(keyText(key)) +
                       " and all its subkeys (Yes/No)?";
        if (!o_.force) {
            if (!c_.interactive)
                return fail("delete asks for confirmation; pass /f to delete without asking");
            if (!ask(question)) return fail("the operation was cancelled");
        }
        long code = 0;
        if (o_.valueName) {
            code = store_->deleteValue(key.root, key.path, *o_.valueName);
        } else if (o_.allValues) {
            code = store_->transaction([&]() -> long {
                std::vector<RegistryStore::NamedValue> values;
                if (long error = store_->values(key.root, key.path, values)) return error;
                for (const auto& value : values)
                    if (long error = store_->deleteValue(key.root, key.path, value.name)) return error;
                return 0;
            });
        } else {
            code = store_->deleteKey(key.root, key.path);
        }
        if (code != 0) return failCode(code);
        *c_.out << kDone;
        return 0;
    }

    // ------------------------------------------------------------------ import and export

    int import() {
        if (!expectPositional(1, "import FILE")) return 1;
        const std::string& file = o_.positional[0];
        std::string bytes;
        if (!readFile(file, bytes)) return 1;
        const RegParseResult parsed = parseRegFile(bytes);
        if (!parsed.ok)
            return fail(file + ":" + std::to_string(parsed.error.line) + ": " +
                        display(parsed.error.message) + "; nothing was imported");
        if (!openStore()) return 1;
        const RegImportResult result = applyRegOperations(*store_, parsed.operations);
        if (!result.ok)
            return fail(file + ":" + std::to_string(result.error.line) + ": " +
                        registryErrorText(result.code) + " Nothing was imported.");
        *c_.out << kDone;
        return 0;
    }

    bool readFile(const std::string& file, std::string& bytes) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const int error = fd < 0 ? errno : EISDIR;
            if (fd >= 0) ::close(fd);
            fail("cannot read " + file + ": " + std::strerror(error));
            return false;
        }
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int error = errno;
                ::close(fd);
                fail("cannot read " + file + ": " + std::strerror(error));
                return false;
            }
            if (n == 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
        return true;
    }

    // Whole or not at all: a temporary file with a random name beside the target, created
    // exclusively, then renamed over it; a link planted at any name is never followed.
    bool writeFile(const std::string& file, const std::string& bytes) {
        const std::uint32_t code = platform::host::replaceWholeFile(file, bytes);
        if (code == 0) return true;
        std::string why;
        switch (code) {
            case platform::ERROR_PATH_NOT_FOUND:
                why = "the folder does not exist";
                break;
            case platform::ERROR_ACCESS_DENIED:
                why = "access is denied";
                break;
            case platform::ERROR_SHARING_VIOLATION:
                why = "another program has locked the file";
                break;
            case platform::ERROR_DISK_FULL:
            case platform::ERROR_HANDLE_DISK_FULL:
                why = "there is not enough space on the disk";
                break;
            default:
                why = "error " + std::to_string(code);
        }
        fail("cannot write " + file + ": " + why);
        return false;
    }

    // The stored keys under `key` with the live values and keys added where the store has
    // none, in a private store, as the program reads them.
    long mergedWithLive(const FullKeyPath& key, std::shared_ptr<RegistryStore>& merged) {
        merged = RegistryStore::openInMemory();
        if (store_->keyExists(key.root, key.path)) {
            long code = 0;
            const std::string stored = exportRegFile(*store_, key.root, key.path, &code);
            if (code != 0) return code;
            if (const auto imported = importRegFile(*merged, stored); !imported.ok) return imported.code;
        }
        return addLive(*merged, key, 0);
    }

    long addLive(RegistryStore& merged, const FullKeyPath& key, int depth) {
        if (!c_.live->keyExists(key.root, key.path)) return 0;
        if (long code = merged.createKey(key.root, key.path)) return code;
        for (const std::string& name : c_.live->valueNames(key.root, key.path)) {
            RegValue existing;
            if (merged.getValue(key.root, key.path, name, existing) == 0) continue;
            if (auto value = c_.live->value(key.root, key.path, name))
                if (long code = merged.setValue(key.root, key.path, name, value->type, value->data)) return code;
        }
        if (depth >= 512) return 0;
        for (const std::string& child : c_.live->subKeys(key.root, key.path))
            if (long code = addLive(merged, {key.root, joinKeyPath(key.path, child)}, depth + 1)) return code;
        return 0;
    }

    int exportKey() {
        if (!expectPositional(2, "export KEY FILE [/y] [/live]")) return 1;
        FullKeyPath key;
        if (!parseKey(o_.positional[0], key) || !openStore()) return 1;
        std::shared_ptr<RegistryStore> source = store_;
        if (o_.live && c_.live) {
            if (long code = mergedWithLive(key, source)) return failCode(code);
        }
        if (!source->keyExists(key.root, key.path)) return failCode(platform::ERROR_FILE_NOT_FOUND);
        const std::string& file = o_.positional[1];
        long code = 0;
        std::string bytes = exportRegFile(*source, key.root, key.path, &code);
        if (code != 0) return failCode(code);
        if (file == "-") {
            // A terminal obeys escape sequences in the data: only the line structure is kept.
            if (c_.outputIsTerminal) bytes = inCharset(masked(bytes, "\t\r\n"), c_.outputCharset);
            c_.out->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            return c_.out->good() ? 0 : fail("cannot write to standard output");
        }
        struct stat st {};
        const bool exists = ::lstat(file.c_str(), &st) == 0;
        if (exists && S_ISLNK(st.st_mode))
            return fail(file + " is a symbolic link; export writes only to a file, not through a link");
        if (!o_.overwriteFile && exists) {
            if (!c_.interactive) return fail(file + " exists; pass /y to overwrite it");
            if (!ask("File " + file + " already exists. Overwrite (Yes/No)?"))
                return fail("the operation was cancelled");
        }
        if (!writeFile(file, bytes)) return 1;
        *c_.out << kDone;
        return 0;
    }

    RegCommandContext& c_;
    RegOptions o_;
    std::shared_ptr<RegistryStore> store_;
};

}  // namespace

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
    return Command(context).run(args);
}

}  // namespace vintrel::registry
