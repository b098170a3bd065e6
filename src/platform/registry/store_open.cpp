#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/registry/key_path.h"
#include "platform/registry/store_connection.h"

// Opening the database: the folder and file checks, the layout and its upgrades, read-only
// and in-memory fallbacks, and recovery from a damaged file.

namespace vintrel::registry::detail {

namespace {

// The database file as its last clean close left it: size, change time and inode, kept in
// "<file>-clean". While the file still matches, nothing but SQLite itself has touched it since,
// so the integrity check at open can be skipped; any other state (a crash, another program's
// write, a copy, damage) runs it. Empty when the file cannot be read.
std::string fileIdentity(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};
    return std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec) + " " + std::to_string(st.st_ino);
}

std::string cleanMarker(const std::string& file) { return file + "-clean"; }

bool unchangedSinceCleanClose(const std::string& file) {
    // A write-ahead log left over: the last connection did not close, or still runs.
    struct stat st {};
    if (::stat((file + "-wal").c_str(), &st) == 0 && st.st_size > 0) return false;
    const int fd = ::open(cleanMarker(file).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    char buffer[128];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    const std::string identity = fileIdentity(file);
    return n > 0 && !identity.empty() && std::string(buffer, static_cast<std::size_t>(n)) == identity;
}

// Bump when the layout or the name folding changes; older files are upgraded when opened,
// newer ones refused, never misread.
constexpr int kSchemaVersion = 2;

// Each key row holds only its own name, so a deep key costs its names and no more.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  root INTEGER NOT NULL,
  parent INTEGER NOT NULL,  -- 0 for the root key itself
  fold BLOB NOT NULL,       -- the last name folded, '' for the root key itself
  name BLOB NOT NULL,       -- the last name as created
  UNIQUE(parent, fold, root));
CREATE TABLE IF NOT EXISTS vals(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  fold BLOB NOT NULL,
  name BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, fold));
)sql";

// Layout 1 kept the whole folded path in every key row, which grew with the square of the
// depth. The rows keep their ids, so the values keep their keys.
constexpr const char* kUpgradeFrom1 = R"sql(
CREATE TABLE keys2(
  id INTEGER PRIMARY KEY,
  root INTEGER NOT NULL,
  parent INTEGER NOT NULL,
  fold BLOB NOT NULL,
  name BLOB NOT NULL,
  UNIQUE(parent, fold, root));
INSERT OR IGNORE INTO keys2(id, root, parent, fold, name)
  SELECT id, root, COALESCE(parent, 0), CASE WHEN parent IS NULL THEN x'' ELSE vintrel_fold(name) END, name
  FROM keys ORDER BY id;
DROP TABLE keys;
ALTER TABLE keys2 RENAME TO keys;
)sql";

// vintrel_fold(name): the folded form of a name, for upgrading older layouts.
void foldFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    const void* bytes = sqlite3_value_blob(arguments[0]);
    const int size = sqlite3_value_bytes(arguments[0]);
    const std::string folded =
        foldName(std::string_view(bytes != nullptr ? static_cast<const char*>(bytes) : "", size));
    sqlite3_result_blob(context, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

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

std::string folderOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

// Write permission as a read-only file shows it: some write bit set, and writable by us.
bool writableByUs(const std::string& path, mode_t mode) {
    return (mode & 0222) != 0 && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// A file: URI that opens the file for reading only; immutable when no one can be writing it.
std::string readOnlyUri(const std::string& file, bool immutable) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : file) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::strchr("/-._~", c) != nullptr) {
            uri.push_back(c);
        } else {
            uri.push_back('%');
            uri.push_back(kHex[byte >> 4]);
            uri.push_back(kHex[byte & 0xF]);
        }
    }
    return uri + (immutable ? "?mode=ro&immutable=1" : "?mode=ro");
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

// ------------------------------------------------------------------ opening

bool StoreImpl::checkFolder(const std::string& folder, bool& writable, std::string& error) {
    if (!makeFolders(folder == "." ? std::string() : folder, error)) return false;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "cannot use the registry folder " + folder + ": " +
                (S_ISDIR(st.st_mode) ? std::strerror(errno) : "not a folder");
        return false;
    }
    // Whoever can write the folder can replace the database or plant a journal beside it.
    if (st.st_uid != ::geteuid()) {
        error = "the registry folder " + folder +
                " belongs to another user; the registry is kept only in a "
                "folder of one's own";
        return false;
    }
    if ((st.st_mode & S_ISVTX) != 0 && (st.st_mode & 0002) != 0) {
        error = "the registry folder " + folder + " is a shared folder; choose a folder of its own";
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        if (::chmod(folder.c_str(), st.st_mode & 0700) != 0) {
            error = "cannot close the registry folder " + folder + " to other users: " + std::strerror(errno);
            return false;
        }
        st.st_mode &= 0700;
    }
    writable = writableByUs(folder, st.st_mode);
    return true;
}

// An existing database file: a regular file, closed to other users, readable; readOnly says why
// it cannot be written, if it cannot. Companions left by a read-only run carry the mode the file
// had then; a journal that cannot be written would keep the file read-only.
static bool checkExistingFile(const std::string& file, struct stat& st, bool writable, std::string& readOnly,
                              std::string& error) {
    if (!S_ISREG(st.st_mode)) {
        error = file + " is not a regular file";
        return false;
    }
    if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid()) {
        st.st_mode &= 0700;
        ::chmod(file.c_str(), st.st_mode);
    }
    // Unreadable is not damaged: the file is left as it is.
    if (::access(file.c_str(), R_OK) != 0) {
        error = file + " cannot be read: " + std::strerror(errno);
        return false;
    }
    if (!writable)
        readOnly = "its folder is read-only";
    else if (!writableByUs(file, st.st_mode))
        readOnly = "the file is read-only";
    for (const char* suffix : {"-wal", "-shm"}) {
        struct stat companion {};
        const std::string path = file + suffix;
        if (readOnly.empty() && ::lstat(path.c_str(), &companion) == 0 && S_ISREG(companion.st_mode) &&
            companion.st_uid == ::geteuid() && (companion.st_mode & 0200) == 0)
            ::chmod(path.c_str(), 0600);
    }
    return true;
}

StoreImpl::Health StoreImpl::openFile(std::string& error, std::string& damage) {
    readOnly.clear();
    const std::string folder = folderOf(file);
    bool writable = false;
    if (!checkFolder(folder, writable, error)) return Health::Failed;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        if (!writable) {
            error = "cannot create " + file + ": its folder is read-only";
            return Health::Failed;
        }
        const int fd = ::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST) {
            error = "cannot create " + file + ": " + std::strerror(errno);
            return Health::Failed;
        }
        if (fd >= 0) ::close(fd);
    } else if (!checkExistingFile(file, st, writable, readOnly, error)) {
        return Health::Failed;
    }
    int rc = SQLITE_OK;
    if (readOnly.empty()) {
        rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    } else {
        // Without a journal and a folder to make one in, nobody can be writing the file.
        const bool immutable = !writable && !pathExists(file + "-wal");
        rc = sqlite3_open_v2(readOnlyUri(file, immutable).c_str(), &db,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    }
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

namespace {

// The file can be read but not changed now: another process holds it, or it is read-only.
bool cannotWriteNow(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED || primary == SQLITE_READONLY;
}

}  // namespace

StoreImpl::Health StoreImpl::configure(std::string& error, std::string& damage) {
    std::string check = "ok";
    int rc = file.empty() || unchangedSinceCleanClose(file) ? SQLITE_OK : execText("PRAGMA quick_check(1)", &check);
    if (rc != SQLITE_OK) return classify(rc, "cannot check", error, damage);
    if (check != "ok") {
        damage = check;
        return Health::Damaged;
    }
    if (readOnly.empty()) {
        rc = execText("PRAGMA journal_mode=WAL");
        if (rc == SQLITE_OK) rc = execText("PRAGMA synchronous=FULL");
        if (cannotWriteNow(rc))
            readOnly = "another process held it locked when it was opened";
        else if (rc != SQLITE_OK)
            return classify(rc, "cannot configure", error, damage);
    }
    return ensureSchema(error, damage);
}

int StoreImpl::upgradeSchema(std::string& version) {
    int rc = execText("BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return rc;
    // Read again under the lock: another process may have done it meanwhile.
    rc = execText("PRAGMA user_version", &version);
    if (rc == SQLITE_OK && version == "0") rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK && version == "1") {
        rc = sqlite3_create_function_v2(db, "vintrel_fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                        foldFunction, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_exec(db, kUpgradeFrom1, nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK && (version == "0" || version == "1")) {
        rc = execText(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
        if (rc == SQLITE_OK) version = std::to_string(kSchemaVersion);
    }
    if (rc == SQLITE_OK) rc = execText("COMMIT");
    if (rc != SQLITE_OK && sqlite3_get_autocommit(db) == 0) execText("ROLLBACK");
    return rc;
}

StoreImpl::Health StoreImpl::copyToMemory(std::string& error, std::string& damage) {
    sqlite3* memory = nullptr;
    int rc = sqlite3_open_v2(":memory:", &memory, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_backup* backup = rc == SQLITE_OK ? sqlite3_backup_init(memory, "main", db, "main") : nullptr;
    rc = backup != nullptr ? sqlite3_backup_step(backup, -1) : SQLITE_NOMEM;
    if (backup != nullptr && sqlite3_backup_finish(backup) != SQLITE_OK && rc == SQLITE_DONE)
        rc = sqlite3_errcode(memory);
    if (rc != SQLITE_DONE) {
        sqlite3_close_v2(memory);
        return classify(rc, "cannot read", error, damage);
    }
    const std::string why = readOnly;
    close();
    db = memory;
    std::string version;
    rc = upgradeSchema(version);
    readOnly = why;
    if (rc != SQLITE_OK) return classify(rc, "cannot read", error, damage);
    return Health::Ok;
}

StoreImpl::Health StoreImpl::ensureSchema(std::string& error, std::string& damage) {
    std::string version;
    int rc = execText("PRAGMA user_version", &version);
    if (rc != SQLITE_OK) return classify(rc, "cannot read", error, damage);
    const bool older = version == "0" || version == "1";
    if (older && readOnly.empty()) {
        rc = upgradeSchema(version);
        if (cannotWriteNow(rc))
            readOnly = "another process held it locked when it was opened";
        else if (rc != SQLITE_OK)
            return classify(rc, "cannot initialise", error, damage);
    }
    if (older && !readOnly.empty() && version != std::to_string(kSchemaVersion)) {
        const Health copied = copyToMemory(error, damage);
        if (copied != Health::Ok) return copied;
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

void StoreImpl::watchFile() {
    watch.reset();
    std::string mode;
    if (file.empty() || execText("PRAGMA journal_mode", &mode) != SQLITE_OK || mode != "wal") return;
    watch = StoreWatch::open(folderOf(file), file.substr(file.rfind('/') + 1));  // npos + 1: all of it
}

bool StoreImpl::openOrRecover(std::string& error) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string damage;
        const Health health = openFile(error, damage);
        if (health == Health::Ok) {
            watchFile();
            return true;
        }
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
    if (suspectDamage && depth == 0 && !file.empty() && !readOnly.empty()) {
        suspectDamage = false;  // a file we may not write is never replaced; reads report the damage
    } else if (suspectDamage && depth == 0 && !file.empty()) {
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
void recordCleanClose(const std::string& file) {
    const std::string identity = fileIdentity(file);
    if (identity.empty()) return;
    const std::string marker = cleanMarker(file);
    const std::string temp = marker + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;
    const bool written = ::write(fd, identity.data(), identity.size()) == static_cast<ssize_t>(identity.size());
    ::close(fd);
    if (!written || ::rename(temp.c_str(), marker.c_str()) != 0) ::unlink(temp.c_str());
}

}  // namespace vintrel::registry::detail
