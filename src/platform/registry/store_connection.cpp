#include "platform/registry/store_connection.h"

#include <array>
#include <chrono>

#include "platform/api/write_wait.h"

namespace vintrel::registry::detail {

namespace {

// The keys of a subtree: ?1 and everything below it (UNION, so that a hand-edited file cannot loop it).
#define VINTREL_TREE                                                                      \
    "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION SELECT k.id FROM keys k JOIN tree t ON " \
    "k.parent=t.id AND t.id<>0) "

constexpr std::array<const char*, kSqlCount> kSql = {
    "SELECT id FROM keys WHERE parent=?1 AND fold=?2 AND root=?3",
    "INSERT INTO keys(root, parent, fold, name) VALUES(?1, ?2, ?3, ?4)",
    "SELECT type, data, name FROM vals WHERE key=?1 AND fold=?2",
    "INSERT INTO vals(key, fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data",
    "DELETE FROM vals WHERE key=?1 AND fold=?2",
    VINTREL_TREE "DELETE FROM vals WHERE key IN (SELECT id FROM tree)",
    VINTREL_TREE "DELETE FROM keys WHERE id IN (SELECT id FROM tree)",
    "SELECT name FROM keys WHERE parent=?1 AND ?1<>0 ORDER BY fold",
    "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY id",
    "BEGIN IMMEDIATE",
    "BEGIN DEFERRED",
    "COMMIT",
    "ROLLBACK",
    "PRAGMA data_version",
};

#undef VINTREL_TREE

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

StoreImpl::~StoreImpl() {
    const bool wasOpen = db != nullptr && readOnly.empty() && !file.empty();
    close();
    if (wasOpen) recordCleanClose(file);
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
    snapshotBegun = false;
    watch.reset();
    forgetKeys();
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

// ------------------------------------------------------------------ transactions

int StoreImpl::beginWrite() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    platform::WriteWaiter* told = nullptr;
    int rc = SQLITE_BUSY;
    while ((rc & 0xFF) == SQLITE_BUSY) {
        // Reads made while waiting may have begun a snapshot or learnt key rows: let go of both.
        endSnapshot();
        // Our own commits leave the data version as it was.
        forgetKeys();
        sqlite3_stmt* begin = db != nullptr ? statement(kBegin) : nullptr;
        if (begin == nullptr) {
            rc = db != nullptr ? sqlite3_errcode(db) : SQLITE_CANTOPEN;
            break;
        }
        // Short tries, so that the waiter is called often; reads keep the longer timeout.
        sqlite3_busy_timeout(db, kWriteTryMs);
        rc = sqlite3_step(begin);
        sqlite3_reset(begin);
        sqlite3_busy_timeout(db, options.busyTimeoutMs);
        if ((rc & 0xFF) == SQLITE_BUSY) {
            if (platform::WriteWaiter* waiter = platform::writeWaiter()) {
                told = waiter;
                waiter->waiting(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start));
            }
        }
    }
    if (told != nullptr) told->waited();
    return rc;
}

long StoreImpl::write(const std::function<long()>& body) {
    if (!readOnly.empty()) return platform::ERROR_ACCESS_DENIED;
    if (depth > 0) return body();
    if (const int rc = beginWrite(); rc != SQLITE_DONE) return noteFailure(rc);
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
    snapshot = true;
    snapshotStart = std::chrono::steady_clock::now();
}

bool StoreImpl::beginTransaction() {
    if (snapshotBegun) return true;
    if (!snapshot || depth > 0 || db == nullptr || sqlite3_get_autocommit(db) == 0) return false;
    // Deferred: the read lock is taken by the first read and kept until endSnapshot().
    sqlite3_stmt* begin = statement(kBeginRead);
    if (begin == nullptr) return false;
    const int rc = sqlite3_step(begin);
    sqlite3_reset(begin);
    snapshotBegun = rc == SQLITE_DONE;
    return snapshotBegun;
}

bool StoreImpl::beforeRead() {
    if (!snapshot || snapshotBegun || depth > 0) return false;
    const bool trusted = versionChecked;
    const std::int64_t version = knownVersion;
    if (!beginTransaction() || !trusted) return false;
    versionChecked = false;  // checked again, now inside the transaction
    keysCurrent();
    return knownVersion != version;
}

void StoreImpl::endSnapshot() {
    if (!snapshot) return;
    snapshot = false;
    versionChecked = false;
    if (!snapshotBegun) return;
    snapshotBegun = false;
    if (db == nullptr || sqlite3_get_autocommit(db) != 0) return;
    if (sqlite3_stmt* commit = statement(kCommit)) {
        sqlite3_step(commit);
        sqlite3_reset(commit);
    }
}

}  // namespace vintrel::registry::detail

namespace vintrel::registry::detail {

// ------------------------------------------------------------------ known key rows

bool StoreImpl::keysCurrent() {
    if (!snapshot || depth > 0 || db == nullptr) return false;
    if (versionChecked) return true;
    const auto now = std::chrono::steady_clock::now();
    if (watch && watch->written()) writeHeardAt = now;
    // Nothing was heard writing since the version was read, and that read came a while after
    // the last write heard (a commit shows a moment after its journal is written, once that is
    // on the disk): the rows known then are the file's rows now. Read anyway now and then.
    constexpr auto kTrustWatchFor = std::chrono::seconds(30);
    if (watch && !snapshotBegun && knownVersion >= 0 && writeHeardAt + options.settleAfterWrite <= versionReadAt &&
        now - versionReadAt < kTrustWatchFor) {
        versionChecked = true;
        return true;
    }
    if (!beginTransaction()) return false;
    // The first read of the transaction: it fixes what the snapshot sees, and so the version.
    sqlite3_stmt* stmt = statement(kDataVersion);
    if (stmt == nullptr) return false;
    const int rc = sqlite3_step(stmt);
    const std::int64_t version = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_reset(stmt);
    if (rc != SQLITE_ROW) {
        noteFailure(rc);
        forgetKeys();
        return false;
    }
    if (version != knownVersion) {
        knownKeys.clear();
        knownVersion = version;
    }
    versionReadAt = now;
    versionChecked = true;
    return true;
}

void StoreImpl::forgetKeys() {
    knownKeys.clear();
    knownVersion = -1;
    versionChecked = false;
}

}  // namespace vintrel::registry::detail
