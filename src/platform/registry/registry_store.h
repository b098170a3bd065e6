#pragma once
// The persistent registry: keys and values of the three roots in one SQLite database.
//
// Names keep the letter case they were created with and compare by their folded form
// (text::upperCp1252). Subkeys enumerate in folded-name order (as regedit lists them),
// values in the order they were first created. Every write is one transaction; the database
// runs in WAL mode so that several processes can read and write it at once, and a writer
// killed part-way leaves the previous state. Every operation returns 0 or a Win32 error code.
// A store may be shared between threads; calls are serialized.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/platform.h"

namespace vintrel::registry {

namespace detail {
struct StoreImpl;
}

class RegistryStore {
public:
    struct Options {
        // How long opening and reading wait for another process that holds the database. A
        // write waits for as long as it takes (platform/api/write_wait.h).
        int busyTimeoutMs = 3000;
        // How long after a write to the file is heard its version is read again before reads
        // may skip reading it (a commit shows once its journal is on the disk).
        std::chrono::milliseconds settleAfterWrite{2000};
    };

    struct NamedValue {
        std::string name;
        platform::RegValue value;
    };

    // Opens the database file, creating it (mode 0600) and its folder (0700) when missing. A
    // folder open to other users is closed to them; one owned by another user is refused. A
    // database that SQLite reports as damaged is reported on stderr, renamed to
    // "<file>.corrupt-YYYYmmdd-HHMMSS" and replaced by a fresh one. A file or folder that
    // cannot be written, or a file another process keeps locked, is opened read-only: reads
    // are answered and writes fail with ERROR_ACCESS_DENIED. Returns nullptr with error set
    // when no database can be read at all.
    static std::shared_ptr<RegistryStore> open(const std::string& file, std::string& error);
    static std::shared_ptr<RegistryStore> open(const std::string& file, std::string& error, Options options);
    // A private store that lives as long as the object.
    static std::shared_ptr<RegistryStore> openInMemory();

    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // Creates the key with every missing key on its path. Names longer than Windows allows
    // (key_path.h), paths deeper than 512 levels and names holding a NUL give
    // ERROR_INVALID_PARAMETER, here and in setValue.
    long createKey(platform::HKey root, std::string_view keyPath);
    // 0 when the key exists, ERROR_FILE_NOT_FOUND when it does not.
    long findKey(platform::HKey root, std::string_view keyPath);
    bool keyExists(platform::HKey root, std::string_view keyPath) { return findKey(root, keyPath) == 0; }
    // Empty valueName is the key's default value. storedName, when given, receives the name
    // as it was created.
    long getValue(platform::HKey root, std::string_view keyPath, std::string_view valueName,
                  platform::RegValue& value, std::string* storedName = nullptr);
    // Creates the key path when missing; an existing value keeps the spelling of its name.
    long setValue(platform::HKey root, std::string_view keyPath, std::string_view valueName,
                  std::uint32_t type, std::string_view data);
    long deleteValue(platform::HKey root, std::string_view keyPath, std::string_view valueName);
    // Deletes the key, its values and all keys below it. Root keys cannot be deleted.
    long deleteKey(platform::HKey root, std::string_view keyPath);
    // Names of the direct subkeys, in folded-name order.
    long subKeys(platform::HKey root, std::string_view keyPath, std::vector<std::string>& names);
    // The key's values in creation order.
    long values(platform::HKey root, std::string_view keyPath, std::vector<NamedValue>& values);

    // Runs body inside one write transaction: everything it wrote is kept when it returns 0 and
    // nothing when it returns an error. Store calls made by body join the transaction.
    long transaction(const std::function<long()>& body);

    // Lets the reads that follow share one read transaction until releaseSnapshot(): a
    // sequence such as open key, query value, close key then takes the file locks once. A
    // write ends the snapshot first, and one older than 100 ms is let go at the next call.
    // While a watch on the file's folder hears no write, reads answered from the key rows
    // already known need no transaction at all; the first statement begins it.
    void holdSnapshot();
    void releaseSnapshot();

    // The database file, empty for an in-memory store.
    const std::string& file() const;
    // Why writes are refused, or empty text when the store can be written.
    const std::string& readOnlyReason() const;

private:
    explicit RegistryStore(std::unique_ptr<detail::StoreImpl> impl);
    std::unique_ptr<detail::StoreImpl> impl_;
};

// The per-user root: VINTREL_ROOT, else $XDG_DATA_HOME/vintrel, else ~/.local/share/vintrel.
std::string userRoot();
// The registry database inside a per-user root.
std::string databasePath(const std::string& root);

}  // namespace vintrel::registry
