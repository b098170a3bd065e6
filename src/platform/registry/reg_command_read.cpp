#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <ostream>

#include "platform/host/whole_file.h"
#include "platform/registry/reg_command_impl.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/reg_value_text.h"
#include "text/cp1252.h"

// The subcommands that read the registry, query and export, and how they show it.

namespace vintrel::registry::detail {

using platform::RegValue;

namespace {

// Ends the line of a value that the program answers live and the store does not hold.
constexpr const char* kLiveMarker = "    (live)";
// Ends the line of a value that stands for a desktop setting, shown as the desktop has it.
constexpr const char* kDesktopMarker = "    (desktop)";

}  // namespace

// ------------------------------------------------------------------ query

void Command::printValue(const std::string& name, const RegValue& value, Source source) {
    *c_.out << "    " << (name.empty() ? std::string("(Default)") : shown(name)) << "    "
            << typeName(value.type) << "    " << inCharset(dataText(value), c_.outputCharset)
            << (source == Source::Live ? kLiveMarker : source == Source::Desktop ? kDesktopMarker : "") << "\n";
}

// The stored values of a key, each one that the desktop backs as the desktop has it, then the
// backed values that the store does not hold.
void Command::printStoredValues(const FullKeyPath& key, const std::vector<RegistryStore::NamedValue>& values) {
    for (const auto& value : values) {
        if (auto fromDesktop = desktopValue(c_.desktop.get(), key.root, key.path, value.name))
            printValue(value.name, *fromDesktop, Source::Desktop);
        else
            printValue(value.name, value.value);
    }
    if (!c_.desktop) return;
    const std::string folded = foldName(key.path);
    for (const ValueLocation& location : c_.desktop->locations()) {
        if (location.root != key.root || foldName(normalizeKeyPath(location.keyPath)) != folded) continue;
        const bool stored = std::any_of(values.begin(), values.end(), [&](const auto& s) {
            return text::equalsIgnoreCaseCp1252(s.name, location.valueName);
        });
        if (stored) continue;
        if (auto fromDesktop = c_.desktop->value(location))
            printValue(location.valueName, *fromDesktop, Source::Desktop);
    }
}

// The live values of the key that the store does not hold in their place.
std::vector<RegistryStore::NamedValue> Command::liveOnly(
    const FullKeyPath& key, const std::vector<RegistryStore::NamedValue>& stored) {
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

long Command::subKeyNames(const FullKeyPath& key, std::vector<std::string>& names) {
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

long Command::queryKey(const FullKeyPath& key, int depth) {
    *c_.out << "\n" << shown(keyText(key)) << "\n";
    std::vector<RegistryStore::NamedValue> values;
    long code = store_->values(key.root, key.path, values);
    if (code == platform::ERROR_FILE_NOT_FOUND) code = 0;
    if (code != 0) return code;
    printStoredValues(key, values);
    for (const auto& value : liveOnly(key, values))
        if (!desktopValue(c_.desktop.get(), key.root, key.path, value.name))
            printValue(value.name, value.value, Source::Live);
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

int Command::query() {
    if (!expectPositional(1, "query KEY [/v NAME | /ve] [/s]")) return 1;
    FullKeyPath key;
    if (!parseKey(o_.positional[0], key) || !openStore()) return 1;
    if (!keyExists(key)) return failCode(platform::ERROR_FILE_NOT_FOUND);
    if (o_.valueName) {
        RegValue value;
        std::string name = *o_.valueName;
        // Shown with the name as it was created.
        long code = store_->getValue(key.root, key.path, *o_.valueName, value, &name);
        Source source = Source::Store;
        if (auto fromDesktop = desktopValue(c_.desktop.get(), key.root, key.path, name)) {
            value = std::move(*fromDesktop);
            code = 0;
            source = Source::Desktop;
        }
        if (code == platform::ERROR_FILE_NOT_FOUND && c_.live) {
            if (auto answered = c_.live->value(key.root, key.path, *o_.valueName)) {
                value = std::move(*answered);
                code = 0;
                source = Source::Live;
                for (const std::string& liveName : c_.live->valueNames(key.root, key.path))
                    if (text::equalsIgnoreCaseCp1252(liveName, name)) name = liveName;
            }
        }
        if (code != 0) return failCode(code);
        *c_.out << "\n" << shown(keyText(key)) << "\n";
        printValue(name, value, source);
        *c_.out << "\n";
        return 0;
    }
    if (long code = queryKey(key, 0)) return failCode(code);
    *c_.out << "\n";
    return 0;
}

// ------------------------------------------------------------------ export

// Whole or not at all: a temporary file with a random name beside the target, created
// exclusively, then renamed over it; a link planted at any name is never followed.
bool Command::writeFile(const std::string& file, const std::string& bytes) {
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
long Command::mergedWithLive(const FullKeyPath& key, std::shared_ptr<RegistryStore>& merged) {
    merged = RegistryStore::openInMemory();
    if (store_->keyExists(key.root, key.path)) {
        long code = 0;
        const std::string stored = exportRegFile(*store_, key.root, key.path, &code);
        if (code != 0) return code;
        if (const auto imported = importRegFile(*merged, stored); !imported.ok) return imported.code;
    }
    return addLive(*merged, key, 0);
}

long Command::addLive(RegistryStore& merged, const FullKeyPath& key, int depth) {
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

int Command::exportKey() {
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

}  // namespace vintrel::registry::detail
