#pragma once
// The SQLite connection behind a RegistryStore: opening and checking the file, setting a
// damaged one aside, the cache of prepared statements and write transactions. Internal.

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/registry/registry_store.h"
#include "platform/registry/store_watch.h"

namespace vintrel::registry::detail {

enum Sql : std::size_t {
    kFindChild,
    kInsertKey,
    kGetValue,
    kSetValue,
    kDeleteValue,
    kDeleteTreeValues,
    kDeleteTreeKeys,
    kChildNames,
    kKeyValues,
    kBegin,
    kBeginRead,
    kCommit,
    kRollback,
    kDataVersion,
    kSqlCount
};

// How long one try to begin a write waits inside SQLite for the write lock.
inline constexpr int kWriteTryMs = 40;

long win32FromSqlite(int rc);
bool isDamage(int rc);

struct StoreImpl {
    enum class Health { Ok, Damaged, Failed };

    std::string file;  // empty for an in-memory store
    RegistryStore::Options options;
    sqlite3* db = nullptr;
    // Reads are answered but writes fail with ERROR_ACCESS_DENIED: the file or its folder
    // cannot be written, or another process kept it locked at start-up. Says why.
    std::string readOnly;
    std::array<sqlite3_stmt*, kSqlCount> statements{};
    std::recursive_mutex mutex;
    int depth = 0;               // nesting of write transactions
    bool suspectDamage = false;  // a statement reported corruption; checked on the next call
    bool snapshot = false;       // reads share one view of the file (holdSnapshot)
    bool snapshotBegun = false;  // ... and its read transaction has begun
    std::chrono::steady_clock::time_point snapshotStart;
    // Key rows found by earlier reads (-1: no such key), by root and folded path. Every read
    // of a value walks its path from the root, one statement per name, and a refresh reads the
    // same few paths again and again. They hold while the file's data version stays the same,
    // that is while no other connection has written; a write of ours drops them.
    // Looked up by view, so that a hit needs no copy of the key.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
    };
    std::unordered_map<std::string, std::int64_t, KeyHash, std::equal_to<>> knownKeys;
    std::int64_t knownVersion = -1;
    bool versionChecked = false;  // in the current snapshot
    // For a file in WAL mode: while it hears no write, the data version is still the one
    // read last, and a snapshot answered from knownKeys needs no transaction at all.
    std::unique_ptr<StoreWatch> watch;
    std::chrono::steady_clock::time_point versionReadAt;
    std::chrono::steady_clock::time_point writeHeardAt;

    // True when knownKeys may be used: inside a snapshot, outside a write, and checked once
    // per snapshot against the data version (or the watch).
    bool keysCurrent();
    void forgetKeys();

    ~StoreImpl();
    void close();
    // The cached statement, prepared on first use; nullptr when it cannot be prepared.
    sqlite3_stmt* statement(Sql id);
    // The Win32 code for an SQLite failure, noting damage for the next ready().
    long noteFailure(int rc);
    // Runs a statement that returns at most one text row, outside the statement cache.
    int execText(const char* sql, std::string* result = nullptr);

    Health openFile(std::string& error, std::string& damage);
    // The folder of the file: created when missing, ours alone, and whether we may write it.
    bool checkFolder(const std::string& folder, bool& writable, std::string& error);
    Health classify(int rc, const char* what, std::string& error, std::string& damage);
    Health configure(std::string& error, std::string& damage);
    Health ensureSchema(std::string& error, std::string& damage);
    // Creates or upgrades the tables under the write lock; SQLite's code, or the layout found.
    int upgradeSchema(std::string& version);
    // A read-only file of an older layout is read from a private upgraded copy.
    Health copyToMemory(std::string& error, std::string& damage);
    bool moveAside(const std::string& why, std::string& error);
    // Opens the file, setting a damaged one aside once.
    bool openOrRecover(std::string& error);
    // Called at the start of every operation, under the lock: 0 when the connection is usable.
    long ready();

    // Begins a write transaction, waiting for as long as another connection holds the write
    // lock: tries of kWriteTryMs, with the installed WriteWaiter called between them. SQLite's
    // code of the last try.
    int beginWrite();
    // Runs body in a write transaction (or inside the one already open).
    long write(const std::function<long()>& body);
    void rollback();

    // A view that the following reads share; see RegistryStore::holdSnapshot. Its read
    // transaction begins with its first statement.
    void beginSnapshot();
    void endSnapshot();
    bool beginTransaction();
    // Called before a statement of the snapshot: begins its transaction. True when the known
    // keys had been trusted on the watch's word and the file has changed since: row ids
    // taken from them are stale and must be looked up again.
    bool beforeRead();
    // Sets up the watch once the file is open: only WAL files, whose writers are all here.
    void watchFile();
};

// Notes that the database file was closed cleanly as it now stands (store_open.cpp), so that
// the next open may skip its integrity check.
void recordCleanClose(const std::string& file);

}  // namespace vintrel::registry::detail
