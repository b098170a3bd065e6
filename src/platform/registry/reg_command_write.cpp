#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ostream>

#include "platform/registry/reg_command_impl.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/reg_value_text.h"

// The subcommands that change the registry: add, delete and import.

namespace vintrel::registry::detail {

using platform::RegValue;

// ------------------------------------------------------------------ add

int Command::add() {
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
    if (!o_.force && c_.interactive && store_->getValue(key.root, key.path, *o_.valueName, existing) == 0) {
        const std::string name = o_.valueName->empty() ? "(Default)" : shown(*o_.valueName);
        if (!ask("Value " + name + " exists, overwrite (Yes/No)?"))
            return fail("the operation was cancelled");
    }
    if (long code = store_->setValue(key.root, key.path, *o_.valueName, type, bytes)) return failCode(code);
    passOn(key, *o_.valueName);
    *c_.out << kDone;
    return 0;
}

// ------------------------------------------------------------------ delete

int Command::remove() {
    if (!expectPositional(1, "delete KEY [/v NAME | /ve | /va] [/f]")) return 1;
    FullKeyPath key;
    if (!parseKey(o_.positional[0], key)) return 1;
    if (!o_.valueName && !o_.allValues && key.path.empty()) return fail("a root key cannot be deleted");
    if (!openStore()) return 1;
    if (!store_->keyExists(key.root, key.path)) return failCode(platform::ERROR_FILE_NOT_FOUND);
    std::string question;
    if (o_.valueName)
        question = "Delete the registry value " +
                   (o_.valueName->empty() ? std::string("(Default)") : shown(*o_.valueName)) + " (Yes/No)?";
    else if (o_.allValues)
        question = "Delete all values under the registry key " + shown(keyText(key)) + " (Yes/No)?";
    else
        question =
            "Permanently delete the registry key " + shown(keyText(key)) + " and all its subkeys (Yes/No)?";
    if (!o_.force) {
        if (!c_.interactive) return fail("delete asks for confirmation; pass /f to delete without asking");
        if (!ask(question)) return fail("the operation was cancelled");
    }
    long code = 0;
    std::vector<RegistryStore::NamedValue> values;
    if (o_.valueName) {
        code = store_->deleteValue(key.root, key.path, *o_.valueName);
    } else if (o_.allValues) {
        code = store_->transaction([&]() -> long {
            if (long error = store_->values(key.root, key.path, values)) return error;
            for (const auto& value : values)
                if (long error = store_->deleteValue(key.root, key.path, value.name)) return error;
            return 0;
        });
    } else {
        code = store_->deleteKey(key.root, key.path);
    }
    if (code != 0) return failCode(code);
    if (o_.valueName)
        passOn(key, *o_.valueName);
    else if (o_.allValues)
        for (const auto& value : values) passOn(key, value.name);
    else
        passOn(key, std::nullopt);
    *c_.out << kDone;
    return 0;
}

// ------------------------------------------------------------------ import

int Command::import() {
    if (!expectPositional(1, "import FILE")) return 1;
    const std::string& file = o_.positional[0];
    std::string bytes;
    if (!readFile(file, bytes)) return 1;
    const RegParseResult parsed = parseRegFile(bytes);
    if (!parsed.ok)
        return fail(file + ":" + std::to_string(parsed.error.line) + ": " + display(parsed.error.message) +
                    "; nothing was imported");
    if (!openStore()) return 1;
    const RegImportResult result = applyRegOperations(*store_, parsed.operations);
    if (!result.ok)
        return fail(file + ":" + std::to_string(result.error.line) + ": " + registryErrorText(result.code) +
                    " Nothing was imported.");
    for (const RegOperation& operation : parsed.operations) {
        const FullKeyPath key{operation.root, operation.keyPath};
        switch (operation.kind) {
        case RegOperation::Kind::SetValue:
        case RegOperation::Kind::DeleteValue: passOn(key, operation.valueName); break;
        case RegOperation::Kind::DeleteKey: passOn(key, std::nullopt); break;
        case RegOperation::Kind::CreateKey: break;
        }
    }
    *c_.out << kDone;
    return 0;
}

// Passes a change of stored values on to the desktop settings they stand for.
void Command::passOn(const FullKeyPath& key, std::optional<std::string_view> valueName) {
    passStoredChanges(c_.desktop.get(), *store_, key.root, key.path, valueName);
}

bool Command::readFile(const std::string& file, std::string& bytes) {
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

}  // namespace vintrel::registry::detail
