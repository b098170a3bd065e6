#include "registry/registry_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "registry/key_path.h"

namespace vintrel::registry {

using platform::HKey;

namespace {

// Bump when the layout or the name folding changes; older files are then refused, never misread.
constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  root INTEGER NOT NULL,
  parent INTEGER,
  path BLOB NOT NULL,   -- folded path below the root, '' for the root itself
  name BLOB NOT NULL,   -- last name of the path as created
  UNIQUE(root, path));
CREATE INDEX IF NOT EXISTS keys_parent ON keys(parent, path);
CREATE TABLE IF NOT EXISTS vals(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  fold BLOB NOT NULL,
  name BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, fold));
)sql";

enum Sql : std::size_t {
    kFindKey,
    kInsertKey,
    kGetValue,
    kSetValue,
    kDeleteValue,
    kDeleteTreeValues,
    kDeleteTreeKeys,
    kChildNames,
    kKeyValues,
    kBegin,
    kCommit,
    kRollback,
    kSqlCount
};

constexpr std::array<const char*, kSqlCount> kSql = {
    "SELECT id FROM keys WHERE root=?1 AND path=?2",
    "INSERT INTO keys(root, parent, path, name) VALUES(?1, ?2, ?3, ?4)",
    "SELECT v.type, v.data FROM vals v JOIN keys k ON v.key=k.id WHERE k.root=?1 AND k.path=?2 AND v.fold=?3",
    "INSERT INTO vals(key, fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data",
    "DELETE FROM vals WHERE key=?1 AND fold=?2",
    "DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE root=?1 AND (path=?2 OR (path>=?3 AND path<?4)))",
    "DELETE FROM keys WHERE root=?1 AND (path=?2 OR (path>=?3 AND path<?4))",
    "SELECT name FROM keys WHERE parent=?1 ORDER BY path",
    "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY id",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
};

long win32FromSqlite(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE: return 0;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return platform::ERROR_BUSY;
        case SQLITE_FULL: return platform::ERROR_DISK_FULL;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH: return platform::ERROR_ACCESS_DENIED;
        case SQLITE_NOMEM: return platform::ERROR_NOT_ENOUGH_MEMORY;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: return platform::ERROR_REGISTRY_CORRUPT;
        case SQLITE_TOOBIG: return platform::ERROR_INVALID_PARAMETER;
        default: return platform::ERROR_REGISTRY_IO_FAILED;
    }
}

bool isDamage(int rc) { return (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB; }

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// mkdir -p with mode 0700 for the folders it creates.
bool makeFolders(const std::string& folder, std::string& error) {
    if (folder.empty()) return true;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        const std::string part = folder.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create folder " + part + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

std::string timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", &local);
    return buffer;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

namespace detail {

struct StoreImpl {
    enum class Health { Ok, Damaged, Failed };

    std::string file;
    RegistryStore::Options options;
    sqlite3* db = nullptr;
    std::array<sqlite3_stmt*, kSqlCount> statements{};
    std::recursive_mutex mutex;
    int depth = 0;             // nesting of write transactions
    bool suspectDamage = false;  // a statement reported corruption; checked on the next call

    ~StoreImpl() { close(); }

    void close() {
        for (sqlite3_stmt*& statement : statements) {
            sqlite3_finalize(statement);
            statement = nullptr;
        }
        if (db != nullptr) sqlite3_close_v2(db);
        db = nullptr;
        depth = 0;
    }

    sqlite3_stmt* statement(Sql id) {
        if (statements[id] == nullptr && db != nullptr)
            sqlite3_prepare_v3(db, kSql[id], -1, SQLITE_PREPARE_PERSISTENT, &statements[id], nullptr);
        return statements[id];
    }

    long noteFailure(int rc) {
        if (isDamage(rc)) suspectDamage = true;
        return win32FromSqlite(rc);
    }

    // Runs a statement that returns at most one text row, outside the statement cache.
    int execText(const char* sql, std::string* result = nullptr) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        if (rc != SQLITE_OK) return rc;
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW && result != nullptr) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            *result = text != nullptr ? text : "";
        }
        while (rc == SQLITE_ROW) rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    }

    // ------------------------------------------------------------------ opening

    Health openFile(std::string& error, std::string& damage) {
        const std::size_t slash = file.rfind('/');
        if (slash != std::string::npos && slash > 0 && !makeFolders(file.substr(0, slash), error))
            return Health::Failed;
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0) {
            const int fd = ::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST) {
                error = "cannot create " + file + ": " + std::strerror(errno);
                return Health::Failed;
            }
            if (fd >= 0) ::close(fd);
        } else {
            if (!S_ISREG(st.st_mode)) {
                error = file + " is not a regular file";
                return Health::Failed;
            }
            if ((st.st_mode & 077) != 0) ::chmod(file.c_str(), 0600);
            if (::access(file.c_str(), R_OK | W_OK) != 0) {
                damage = std::string("cannot be read or written: ") + std::strerror(errno);
                return Health::Damaged;
            }
        }
        int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        if (rc != SQLITE_OK) {
            error = "cannot open " + file + ": " + (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
            return Health::Failed;
        }
        sqlite3_busy_timeout(db, options.busyTimeoutMs);
        return configure(error, damage);
    }

    Health classify(int rc, const char* what, std::string& error, std::string& damage) {
        if (isDamage(rc)) {
            damage = sqlite3_errstr(rc);
            return Health::Damaged;
        }
        if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
            error = file + " is locked by another process";
        else
            error = std::string(what) + " " + file + ": " + sqlite3_errmsg(db);
        return Health::Failed;
    }

    Health configure(std::string& error, std::string& damage) {
        std::string check;
        int rc = execText("PRAGMA quick_check(1)", &check);
        if (rc != SQLITE_OK) return classify(rc, "cannot check", error, damage);
        if (check != "ok") {
            damage = check;
            return Health::Damaged;
        }
        rc = execText("PRAGMA journal_mode=WAL");
        if (rc == SQLITE_OK) rc = execText("PRAGMA synchronous=FULL");
        if (rc != SQLITE_OK) return classify(rc, "cannot configure", error, damage);
        return ensureSchema(error, damage);
    }

    Health ensureSchema(std::string& error, std::string& damage) {
        std::string version;
        int rc = execText("PRAGMA user_version", &version);
        if (rc != SQLITE_OK) return classify(rc, "cannot read", error, damage);
        if (version == "0") {
            // Two processes may start on a fresh file together: create under the write lock.
            rc = execText("BEGIN IMMEDIATE");
            if (rc == SQLITE_OK) {
                rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
                if (rc == SQLITE_OK)
                    rc = execText(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
                if (rc == SQLITE_OK) rc = execText("COMMIT");
                if (rc != SQLITE_OK && sqlite3_get_autocommit(db) == 0) execText("ROLLBACK");
            }
            if (rc != SQLITE_OK) return classify(rc, "cannot initialise", error, damage);
        } else if (version != std::to_string(kSchemaVersion)) {
            error = file + " was written by another version of this program (layout " + version + ")";
            return Health::Failed;
        }
        for (std::size_t id = 0; id < kSqlCount; ++id) {
            if (statement(static_cast<Sql>(id)) == nullptr) {
                damage = std::string("its tables are not as expected: ") + sqlite3_errmsg(db);
                return Health::Damaged;
            }
        }
        return Health::Ok;
    }

    bool moveAside(const std::string& why, std::string& error) {
        std::string target = file + ".corrupt-" + timestamp();
        for (int n = 1; pathExists(target) && n < 1000; ++n) target = file + ".corrupt-" + timestamp() + "-" + std::to_string(n);
        if (::rename(file.c_str(), target.c_str()) != 0) {
            error = "the registry database " + file + " is damaged (" + why + ") and cannot be moved aside: " +
                    std::strerror(errno);
            return false;
        }
        // A journal left beside a fresh file would be replayed into it: it goes along.
        for (const char* suffix : {"-wal", "-shm"}) {
            const std::string companion = file + suffix;
            if (pathExists(companion) && ::rename(companion.c_str(), (target + suffix).c_str()) != 0)
                ::unlink(companion.c_str());
        }
        std::fprintf(stderr,
                     "vintrel: the registry database %s is damaged (%s); it was moved to %s and a new one "
                     "started\n",
                     file.c_str(), why.c_str(), target.c_str());
        return true;
    }

    // Opens the file, setting a damaged one aside once.
    bool openOrRecover(std::string& error) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            std::string damage;
            const Health health = openFile(error, damage);
            if (health == Health::Ok) return true;
            close();
            if (health == Health::Failed) return false;
            if (attempt == 1) {
                error = "the new registry database " + file + " is unusable too: " + damage;
                return false;
            }
            if (!moveAside(damage, error)) return false;
        }
        return false;
    }

    // Called at the start of every operation, under the lock.
    long ready() {
        if (suspectDamage && depth == 0 && !file.empty()) {
            suspectDamage = false;
            std::string check;
            const int rc = db != nullptr ? execText("PRAGMA quick_check(1)", &check) : SQLITE_OK;
            if (db == nullptr || isDamage(rc) || (rc == SQLITE_OK && check != "ok")) {
                close();
                std::string error;
                if (!moveAside(check.empty() ? "damaged while in use" : check, error) || !openOrRecover(error)) {
                    std::fprintf(stderr, "vintrel: %s\n", error.c_str());
                    return platform::ERROR_REGISTRY_CORRUPT;
                }
            }
        }
        return db != nullptr ? 0L : long{platform::ERROR_REGISTRY_IO_FAILED};
    }

    // ------------------------------------------------------------------ transactions

    long write(const std::function<long()>& body) {
        if (depth > 0) return body();
        sqlite3_stmt* begin = statement(kBegin);
        if (begin == nullptr) return noteFailure(sqlite3_errcode(db));
        const int rc = sqlite3_step(begin);
        sqlite3_reset(begin);
        if (rc != SQLITE_DONE) return noteFailure(rc);
        ++depth;
        long result = 0;
        try {
            result = body();
        } catch (...) {
            --depth;
            rollback();
            throw;
        }
        --depth;
        if (result == 0) {
            sqlite3_stmt* commit = statement(kCommit);
            const int commitRc = commit != nullptr ? sqlite3_step(commit) : sqlite3_errcode(db);
            if (commit != nullptr) sqlite3_reset(commit);
            if (commitRc != SQLITE_DONE) result = noteFailure(commitRc);
        }
        if (result != 0) rollback();
        return result;
    }

    void rollback() {
        if (sqlite3_get_autocommit(db) != 0) return;  // already rolled back by SQLite
        if (sqlite3_stmt* stmt = statement(kRollback)) {
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
    }
};

}  // namespace detail

using detail::StoreImpl;

namespace {

// One use of a cached statement; resets it when done.
class Query {
public:
    Query(StoreImpl& impl, Sql id) : impl_(impl), stmt_(impl.statement(id)) {}
    ~Query() {
        if (stmt_ != nullptr) {
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
        }
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    bool ready() const { return stmt_ != nullptr; }
    long prepareError() { return impl_.noteFailure(impl_.db != nullptr ? sqlite3_errcode(impl_.db) : SQLITE_ERROR); }

    void bind(int index, std::string_view bytes) {
        // A null pointer would bind SQL NULL: empty text must stay an empty blob.
        sqlite3_bind_blob64(stmt_, index, bytes.empty() ? "" : bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    }
    void bind(int index, std::int64_t number) { sqlite3_bind_int64(stmt_, index, number); }
    void bindNull(int index) { sqlite3_bind_null(stmt_, index); }

    int step() {
        const int rc = sqlite3_step(stmt_);
        if (isDamage(rc)) impl_.suspectDamage = true;
        return rc;
    }
    long fail(int rc) { return impl_.noteFailure(rc); }

    std::int64_t integer(int column) { return sqlite3_column_int64(stmt_, column); }
    std::string bytes(int column) {
        const void* data = sqlite3_column_blob(stmt_, column);
        const int size = sqlite3_column_bytes(stmt_, column);
        return data != nullptr && size > 0 ? std::string(static_cast<const char*>(data), size) : std::string();
    }

private:
    StoreImpl& impl_;
    sqlite3_stmt* stmt_;
};

long keyId(StoreImpl& impl, HKey root, std::string_view foldedPath, std::int64_t& id) {
    Query query(impl, kFindKey);
    if (!query.ready()) return query.prepareError();
    query.bind(1, static_cast<std::int64_t>(root));
    query.bind(2, foldedPath);
    const int rc = query.step();
    if (rc == SQLITE_ROW) {
        id = query.integer(0);
        return 0;
    }
    return rc == SQLITE_DONE ? long{platform::ERROR_FILE_NOT_FOUND} : query.fail(rc);
}

long insertKey(StoreImpl& impl, HKey root, std::int64_t parent, std::string_view foldedPath,
               std::string_view name, std::int64_t& id) {
    Query query(impl, kInsertKey);
    if (!query.ready()) return query.prepareError();
    query.bind(1, static_cast<std::int64_t>(root));
    if (parent != 0)
        query.bind(2, parent);
    else
        query.bindNull(2);
    query.bind(3, foldedPath);
    query.bind(4, name);
    const int rc = query.step();
    if (rc != SQLITE_DONE) return query.fail(rc);
    id = sqlite3_last_insert_rowid(impl.db);
    return 0;
}

// Finds or creates the key of a normalized path and every key above it. Inside a write.
long ensureKey(StoreImpl& impl, HKey root, std::string_view path, std::int64_t& id) {
    if (keyId(impl, root, foldName(path), id) == 0) return 0;
    long result = keyId(impl, root, "", id);
    if (result == platform::ERROR_FILE_NOT_FOUND) result = insertKey(impl, root, 0, "", "", id);
    if (result != 0) return result;
    std::string folded;
    for (std::string_view name : splitKeyPath(path)) {
        if (!folded.empty()) folded.push_back('\\');
        folded += foldName(name);
        const std::int64_t parent = id;
        result = keyId(impl, root, folded, id);
        if (result == platform::ERROR_FILE_NOT_FOUND) result = insertKey(impl, root, parent, folded, name, id);
        if (result != 0) return result;
    }
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

RegistryStore::RegistryStore(std::unique_ptr<StoreImpl> impl) : impl_(std::move(impl)) {}
RegistryStore::~RegistryStore() = default;

std::shared_ptr<RegistryStore> RegistryStore::open(const std::string& file, std::string& error) {
    return open(file, error, Options{});
}

std::shared_ptr<RegistryStore> RegistryStore::open(const std::string& file, std::string& error, Options options) {
    auto impl = std::make_unique<StoreImpl>();
    impl->file = file;
    impl->options = options;
    if (file.empty()) {
        error = "no registry database file given";
        return nullptr;
    }
    if (!impl->openOrRecover(error)) return nullptr;
    return std::shared_ptr<RegistryStore>(new RegistryStore(std::move(impl)));
}

std::shared_ptr<RegistryStore> RegistryStore::openInMemory() {
    auto impl = std::make_unique<StoreImpl>();
    if (sqlite3_open_v2(":memory:", &impl->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        impl->close();
        return nullptr;
    }
    std::string error, damage;
    if (impl->ensureSchema(error, damage) != StoreImpl::Health::Ok) return nullptr;
    return std::shared_ptr<RegistryStore>(new RegistryStore(std::move(impl)));
}

const std::string& RegistryStore::file() const { return impl_->file; }

long RegistryStore::createKey(HKey root, std::string_view keyPath) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    const std::string path = normalizeKeyPath(keyPath);
    std::int64_t id = 0;
    const long found = keyId(*impl_, root, foldName(path), id);
    if (found != platform::ERROR_FILE_NOT_FOUND) return found;
    return impl_->write([&] { return ensureKey(*impl_, root, path, id); });
}

long RegistryStore::findKey(HKey root, std::string_view keyPath) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    const std::string path = normalizeKeyPath(keyPath);
    if (path.empty()) return 0;  // the roots always exist
    std::int64_t id = 0;
    return keyId(*impl_, root, foldName(path), id);
}

long RegistryStore::getValue(HKey root, std::string_view keyPath, std::string_view valueName,
                             platform::RegValue& value) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    Query query(*impl_, kGetValue);
    if (!query.ready()) return query.prepareError();
    query.bind(1, static_cast<std::int64_t>(root));
    query.bind(2, foldName(normalizeKeyPath(keyPath)));
    query.bind(3, foldName(valueName));
    const int rc = query.step();
    if (rc == SQLITE_DONE) return platform::ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW) return query.fail(rc);
    value.type = static_cast<std::uint32_t>(query.integer(0));
    value.data = query.bytes(1);
    return 0;
}

long RegistryStore::setValue(HKey root, std::string_view keyPath, std::string_view valueName, std::uint32_t type,
                             std::string_view data) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    const std::string path = normalizeKeyPath(keyPath);
    return impl_->write([&]() -> long {
        std::int64_t id = 0;
        if (long result = ensureKey(*impl_, root, path, id)) return result;
        Query query(*impl_, kSetValue);
        if (!query.ready()) return query.prepareError();
        query.bind(1, id);
        query.bind(2, foldName(valueName));
        query.bind(3, valueName);
        query.bind(4, static_cast<std::int64_t>(type));
        query.bind(5, data);
        const int rc = query.step();
        return rc == SQLITE_DONE ? 0 : query.fail(rc);
    });
}

long RegistryStore::deleteValue(HKey root, std::string_view keyPath, std::string_view valueName) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    const std::string folded = foldName(normalizeKeyPath(keyPath));
    return impl_->write([&]() -> long {
        std::int64_t id = 0;
        if (long result = keyId(*impl_, root, folded, id)) return result;
        Query query(*impl_, kDeleteValue);
        if (!query.ready()) return query.prepareError();
        query.bind(1, id);
        query.bind(2, foldName(valueName));
        const int rc = query.step();
        if (rc != SQLITE_DONE) return query.fail(rc);
        return sqlite3_changes(impl_->db) > 0 ? 0L : long{platform::ERROR_FILE_NOT_FOUND};
    });
}

long RegistryStore::deleteKey(HKey root, std::string_view keyPath) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    const std::string folded = foldName(normalizeKeyPath(keyPath));
    if (folded.empty()) return platform::ERROR_ACCESS_DENIED;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    // Every key below has a path between "PATH\" and "PATH]" (']' follows '\' in byte order).
    const std::string below = folded + '\\';
    const std::string after = folded + ']';
    return impl_->write([&]() -> long {
        std::int64_t id = 0;
        if (long result = keyId(*impl_, root, folded, id)) return result;
        for (Sql sql : {kDeleteTreeValues, kDeleteTreeKeys}) {
            Query query(*impl_, sql);
            if (!query.ready()) return query.prepareError();
            query.bind(1, static_cast<std::int64_t>(root));
            query.bind(2, folded);
            query.bind(3, below);
            query.bind(4, after);
            const int rc = query.step();
            if (rc != SQLITE_DONE) return query.fail(rc);
        }
        return 0;
    });
}

long RegistryStore::subKeys(HKey root, std::string_view keyPath, std::vector<std::string>& names) {
    names.clear();
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    const std::string folded = foldName(normalizeKeyPath(keyPath));
    std::int64_t id = 0;
    if (long result = keyId(*impl_, root, folded, id))
        return result == platform::ERROR_FILE_NOT_FOUND && folded.empty() ? 0 : result;
    Query query(*impl_, kChildNames);
    if (!query.ready()) return query.prepareError();
    query.bind(1, id);
    int rc;
    while ((rc = query.step()) == SQLITE_ROW) {
        std::string name = query.bytes(0);
        // A hand-edited file could hold names that no path can reach; skip them.
        if (!name.empty() && name.find('\\') == std::string::npos) names.push_back(std::move(name));
    }
    return rc == SQLITE_DONE ? 0 : query.fail(rc);
}

long RegistryStore::values(HKey root, std::string_view keyPath, std::vector<NamedValue>& values) {
    values.clear();
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    const std::string folded = foldName(normalizeKeyPath(keyPath));
    std::int64_t id = 0;
    if (long result = keyId(*impl_, root, folded, id))
        return result == platform::ERROR_FILE_NOT_FOUND && folded.empty() ? 0 : result;
    Query query(*impl_, kKeyValues);
    if (!query.ready()) return query.prepareError();
    query.bind(1, id);
    int rc;
    while ((rc = query.step()) == SQLITE_ROW) {
        NamedValue value;
        value.name = query.bytes(0);
        value.value.type = static_cast<std::uint32_t>(query.integer(1));
        value.value.data = query.bytes(2);
        values.push_back(std::move(value));
    }
    return rc == SQLITE_DONE ? 0 : query.fail(rc);
}

long RegistryStore::transaction(const std::function<long()>& body) {
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    return impl_->write(body);
}

// ---------------------------------------------------------------------------------------------

std::string userRoot() {
    if (const char* root = std::getenv("VINTREL_ROOT"); root != nullptr && *root != '\0') return root;
    // The base directory rules ignore relative XDG paths.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
        return std::string(data) + "/vintrel";
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0') {
        home = env;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        home = entry->pw_dir;
    }
    return home + "/.local/share/vintrel";
}

std::string databasePath(const std::string& root) {
    if (!root.empty() && root.back() == '/') return root + "registry.sqlite3";
    return root + "/registry.sqlite3";
}

}  // namespace vintrel::registry
