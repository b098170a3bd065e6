#include "registry/store_connection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace vintrel::registry::detail {

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

constexpr std::array<const char*, kSqlCount> kSql = {
    "SELECT id FROM keys WHERE root=?1 AND path=?2",
    "INSERT INTO keys(root, parent, path, name) VALUES(?1, ?2, ?3, ?4)",
    "SELECT v.type, v.data FROM vals v JOIN keys k ON v.key=k.id WHERE k.root=?1 AND k.path=?2 AND v.fold=?3",
    "INSERT INTO vals(key, fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data",
    "DELETE FROM vals WHERE key=?1 AND fold=?2",
    "DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE root=?1 AND (path=?2 OR (path>=?3 AND "
    "path<?4)))",
    "DELETE FROM keys WHERE root=?1 AND (path=?2 OR (path>=?3 AND path<?4))",
    "SELECT name FROM keys WHERE parent=?1 ORDER BY path",
    "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY id",
    "BEGIN IMMEDIATE",
    "BEGIN DEFERRED",
    "COMMIT",
    "ROLLBACK",
};

}  // namespace

long win32FromSqlite(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return 0;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return platform::ERROR_BUSY;
        case SQLITE_FULL:
            return platform::ERROR_DISK_FULL;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return platform::ERROR_ACCESS_DENIED;
        case SQLITE_NOMEM:
            return platform::ERROR_NOT_ENOUGH_MEMORY;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return platform::ERROR_REGISTRY_CORRUPT;
        case SQLITE_TOOBIG:
            return platform::ERROR_INVALID_PARAMETER;
        default:
            return platform::ERROR_REGISTRY_IO_FAILED;
    }
}

bool isDamage(int rc) {
    return (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB;
}

namespace {

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

StoreImpl::~StoreImpl() {
    close();
}

void StoreImpl::close() {
    for (sqlite3_stmt*& statement : statements) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    if (db != nullptr) sqlite3_close_v2(db);
    db = nullptr;
    depth = 0;
    snapshot = false;
}

sqlite3_stmt* StoreImpl::statement(Sql id) {
    if (statements[id] == nullptr && db != nullptr)
        sqlite3_prepare_v3(db, kSql[id], -1, SQLITE_PREPARE_PERSISTENT, &statements[id], nullptr);
    return statements[id];
}

long StoreImpl::noteFailure(int rc) {
    if (isDamage(rc)) suspectDamage = true;
    return win32FromSqlite(rc);
}

int StoreImpl::execText(const char* sql, std::string* result) {
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

StoreImpl::Health StoreImpl::openFile(std::string& error, std::string& damage) {
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
    int rc = sqlite3_open_v2(file.c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        error = "cannot open " + file + ": " + (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        return Health::Failed;
    }
    sqlite3_busy_timeout(db, options.busyTimeoutMs);
    return configure(error, damage);
}

StoreImpl::Health StoreImpl::classify(int rc, const char* what, std::string& error, std::string& damage) {
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

StoreImpl::Health StoreImpl::configure(std::string& error, std::string& damage) {
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

StoreImpl::Health StoreImpl::ensureSchema(std::string& error, std::string& damage) {
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

bool StoreImpl::moveAside(const std::string& why, std::string& error) {
    std::string target = file + ".corrupt-" + timestamp();
    for (int n = 1; pathExists(target) && n < 1000; ++n)
        target = file + ".corrupt-" + timestamp() + "-" + std::to_string(n);
    if (::rename(file.c_str(), target.c_str()) != 0) {
        error = "the registry database " + file + " is damaged (" + why +
                ") and cannot be moved aside: " + std::strerror(errno);
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

bool StoreImpl::openOrRecover(std::string& error) {
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

long StoreImpl::ready() {
    // A snapshot older than this is let go, so that a caller that never releases it neither
    // reads stale data for long nor keeps the journal from being checkpointed.
    constexpr auto kSnapshotLifetime = std::chrono::milliseconds(100);
    if (snapshot && std::chrono::steady_clock::now() - snapshotStart > kSnapshotLifetime) endSnapshot();
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

long StoreImpl::write(const std::function<long()>& body) {
    if (depth > 0) return body();
    endSnapshot();
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

void StoreImpl::rollback() {
    if (sqlite3_get_autocommit(db) != 0) return;  // already rolled back by SQLite
    if (sqlite3_stmt* stmt = statement(kRollback)) {
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
}

// ------------------------------------------------------------------ shared read snapshots

void StoreImpl::beginSnapshot() {
    if (snapshot || depth > 0 || db == nullptr || sqlite3_get_autocommit(db) == 0) return;
    // Deferred: the read lock is taken by the first read and kept until endSnapshot().
    if (sqlite3_stmt* begin = statement(kBeginRead)) {
        const int rc = sqlite3_step(begin);
        sqlite3_reset(begin);
        if (rc == SQLITE_DONE) {
            snapshot = true;
            snapshotStart = std::chrono::steady_clock::now();
        }
    }
}

void StoreImpl::endSnapshot() {
    if (!snapshot) return;
    snapshot = false;
    if (db == nullptr || sqlite3_get_autocommit(db) != 0) return;
    if (sqlite3_stmt* commit = statement(kCommit)) {
        sqlite3_step(commit);
        sqlite3_reset(commit);
    }
}

}  // namespace vintrel::registry::detail
