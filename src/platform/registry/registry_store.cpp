#include "platform/registry/registry_store.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/registry/key_path.h"
#include "platform/registry/store_connection.h"
#include "text/cp1252.h"

namespace vintrel::registry {

using namespace detail;  // the connection, its statements and their ids
using platform::HKey;

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
    long prepareError() {
        return impl_.noteFailure(impl_.db != nullptr ? sqlite3_errcode(impl_.db) : SQLITE_ERROR);
    }

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
        return data != nullptr && size > 0 ? std::string(static_cast<const char*>(data), size)
                                           : std::string();
    }

private:
    StoreImpl& impl_;
    sqlite3_stmt* stmt_;
};

// The row of one name below parent (0 with an empty name: the root key's own row).
long childId(StoreImpl& impl, HKey root, std::int64_t parent, std::string_view folded, std::int64_t& id) {
    Query query(impl, kFindChild);
    if (!query.ready()) return query.prepareError();
    query.bind(1, parent);
    query.bind(2, folded);
    query.bind(3, static_cast<std::int64_t>(root));
    const int rc = query.step();
    if (rc == SQLITE_ROW) {
        id = query.integer(0);
        return 0;
    }
    return rc == SQLITE_DONE ? long{platform::ERROR_FILE_NOT_FOUND} : query.fail(rc);
}

// The row of a normalized path, found name by name from the root.
long lookUpKey(StoreImpl& impl, HKey root, std::string_view path, std::int64_t& id) {
    if (long result = childId(impl, root, 0, "", id)) return result;
    for (std::string_view name = takeKeyName(path); !name.empty(); name = takeKeyName(path))
        if (long result = childId(impl, root, id, foldName(name), id)) return result;
    return 0;
}

// The same, answered from the rows found before while nobody else has written the file.
long keyId(StoreImpl& impl, HKey root, std::string_view path, std::int64_t& id) {
    if (!impl.keysCurrent()) return lookUpKey(impl, root, path, id);
    // The root's four bytes, then the folded path; on the stack for the usual short paths.
    char small[256];
    std::string large;
    const std::size_t size = sizeof root + path.size();
    char* key = small;
    if (size > sizeof small) {
        large.resize(size);
        key = large.data();
    }
    std::memcpy(key, &root, sizeof root);
    std::transform(path.begin(), path.end(), key + sizeof root, [](char c) { return text::upperCp1252(c); });
    const std::string_view cacheKey(key, size);
    if (const auto known = impl.knownKeys.find(cacheKey); known != impl.knownKeys.end()) {
        if (known->second < 0) return platform::ERROR_FILE_NOT_FOUND;
        id = known->second;
        return 0;
    }
    impl.beforeRead();  // a miss is looked up again anyway
    const long result = lookUpKey(impl, root, path, id);
    // A failed statement may have ended the transaction: only clean answers are kept.
    if (impl.snapshot && (result == 0 || result == platform::ERROR_FILE_NOT_FOUND)) {
        constexpr std::size_t kMostKnownKeys = 512;  // the program reads a few dozen paths
        if (impl.knownKeys.size() >= kMostKnownKeys) impl.knownKeys.clear();
        impl.knownKeys.emplace(std::string(cacheKey), result == 0 ? id : -1);
    }
    return result;
}

// The key's row for a statement that follows. Beginning the statement's transaction may show
// that the file changed since the row was known (its id may now be another key's): then it is
// looked up again, inside the transaction.
long rowForStatement(StoreImpl& impl, HKey root, std::string_view path, std::int64_t& id) {
    const long result = keyId(impl, root, path, id);
    if (result != 0 || !impl.beforeRead()) return result;
    return keyId(impl, root, path, id);
}

// Lists a key's subkeys or values: each row of `sql` for the key goes to onRow. A root that
// has no row yet lists nothing rather than failing. The caller holds the store's lock.
template <class OnRow>
long eachListedRow(StoreImpl& impl, HKey root, std::string_view keyPath, Sql sql, OnRow onRow) {
    if (long result = impl.ready()) return result;
    const std::string path = normalizeKeyPath(keyPath);
    std::int64_t id = 0;
    if (const long result = rowForStatement(impl, root, path, id)) {
        return result == platform::ERROR_FILE_NOT_FOUND && path.empty() ? 0 : result;
    }
    Query query(impl, sql);
    if (!query.ready()) return query.prepareError();
    query.bind(1, id);
    int rc;
    while ((rc = query.step()) == SQLITE_ROW) onRow(query);
    return rc == SQLITE_DONE ? 0 : query.fail(rc);
}

long insertKey(StoreImpl& impl, HKey root, std::int64_t parent, std::string_view folded,
               std::string_view name, std::int64_t& id) {
    Query query(impl, kInsertKey);
    if (!query.ready()) return query.prepareError();
    query.bind(1, static_cast<std::int64_t>(root));
    query.bind(2, parent);
    query.bind(3, folded);
    query.bind(4, name);
    const int rc = query.step();
    if (rc != SQLITE_DONE) return query.fail(rc);
    id = sqlite3_last_insert_rowid(impl.db);
    return 0;
}

// Finds or creates the key of a normalized path and every key above it. Inside a write.
long ensureKey(StoreImpl& impl, HKey root, std::string_view path, std::int64_t& id) {
    long result = childId(impl, root, 0, "", id);
    if (result == platform::ERROR_FILE_NOT_FOUND) result = insertKey(impl, root, 0, "", "", id);
    if (result != 0) return result;
    bool creating = false;  // below a created key nothing exists yet
    for (std::string_view name : splitKeyPath(path)) {
        const std::string folded = foldName(name);
        const std::int64_t parent = id;
        result = creating ? long{platform::ERROR_FILE_NOT_FOUND} : childId(impl, root, parent, folded, id);
        if (result == platform::ERROR_FILE_NOT_FOUND) {
            creating = true;
            result = insertKey(impl, root, parent, folded, name, id);
        }
        if (result != 0) return result;
    }
    return 0;
}

// ERROR_INVALID_PARAMETER for a path or name beyond the limits of Windows.
long checkNames(std::string_view path, std::string_view valueName = {}) {
    return keyPathProblem(path).empty() && valueNameProblem(valueName).empty()
               ? 0L
               : long{platform::ERROR_INVALID_PARAMETER};
}

}  // namespace

// ---------------------------------------------------------------------------------------------

RegistryStore::RegistryStore(std::unique_ptr<StoreImpl> impl) : impl_(std::move(impl)) {}
RegistryStore::~RegistryStore() = default;

std::shared_ptr<RegistryStore> RegistryStore::open(const std::string& file, std::string& error) {
    return open(file, error, Options{});
}

std::shared_ptr<RegistryStore> RegistryStore::open(const std::string& file, std::string& error,
                                                   Options options) {
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
    if (sqlite3_open_v2(":memory:", &impl->db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        impl->close();
        return nullptr;
    }
    std::string error, damage;
    if (impl->ensureSchema(error, damage) != StoreImpl::Health::Ok) return nullptr;
    return std::shared_ptr<RegistryStore>(new RegistryStore(std::move(impl)));
}

const std::string& RegistryStore::file() const {
    return impl_->file;
}

const std::string& RegistryStore::readOnlyReason() const {
    return impl_->readOnly;
}

long RegistryStore::createKey(HKey root, std::string_view keyPath) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    const std::string path = normalizeKeyPath(keyPath);
    if (long invalid = checkNames(path)) return invalid;
    std::int64_t id = 0;
    const long found = keyId(*impl_, root, path, id);
    if (found != platform::ERROR_FILE_NOT_FOUND) return found;
    return impl_->write([&] { return ensureKey(*impl_, root, path, id); });
}

long RegistryStore::findKey(HKey root, std::string_view keyPath) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    // The walk skips empty names itself: the path needs no normalized copy.
    std::string_view names = keyPath;
    if (takeKeyName(names).empty()) return 0;  // the roots always exist
    std::int64_t id = 0;
    return keyId(*impl_, root, keyPath, id);
}

long RegistryStore::getValue(HKey root, std::string_view keyPath, std::string_view valueName,
                             platform::RegValue& value, std::string* storedName) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    std::int64_t id = 0;
    if (long result = rowForStatement(*impl_, root, keyPath, id)) return result;
    Query query(*impl_, kGetValue);
    if (!query.ready()) return query.prepareError();
    query.bind(1, id);
    query.bind(2, foldName(valueName));
    const int rc = query.step();
    if (rc == SQLITE_DONE) return platform::ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW) return query.fail(rc);
    value.type = static_cast<std::uint32_t>(query.integer(0));
    value.data = query.bytes(1);
    if (storedName != nullptr) *storedName = query.bytes(2);
    return 0;
}

long RegistryStore::setValue(HKey root, std::string_view keyPath, std::string_view valueName,
                             std::uint32_t type, std::string_view data) {
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    const std::string path = normalizeKeyPath(keyPath);
    if (long invalid = checkNames(path, valueName)) return invalid;
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
    const std::string path = normalizeKeyPath(keyPath);
    return impl_->write([&]() -> long {
        std::int64_t id = 0;
        if (long result = keyId(*impl_, root, path, id)) return result;
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
    const std::string path = normalizeKeyPath(keyPath);
    if (path.empty()) return platform::ERROR_ACCESS_DENIED;
    std::lock_guard lock(impl_->mutex);
    if (long result = impl_->ready()) return result;
    return impl_->write([&]() -> long {
        std::int64_t id = 0;
        if (long result = keyId(*impl_, root, path, id)) return result;
        for (Sql sql : {kDeleteTreeValues, kDeleteTreeKeys}) {
            Query query(*impl_, sql);
            if (!query.ready()) return query.prepareError();
            query.bind(1, id);
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
    return eachListedRow(*impl_, root, keyPath, kChildNames, [&](Query& query) {
        std::string name = query.bytes(0);
        // A hand-edited file could hold names that no path can reach; skip them.
        if (!name.empty() && name.find('\\') == std::string::npos) names.push_back(std::move(name));
    });
}

long RegistryStore::values(HKey root, std::string_view keyPath, std::vector<NamedValue>& values) {
    values.clear();
    if (!isRootKey(root)) return platform::ERROR_INVALID_HANDLE;
    std::lock_guard lock(impl_->mutex);
    return eachListedRow(*impl_, root, keyPath, kKeyValues, [&](Query& query) {
        NamedValue value;
        value.name = query.bytes(0);
        value.value.type = static_cast<std::uint32_t>(query.integer(1));
        value.value.data = query.bytes(2);
        values.push_back(std::move(value));
    });
}

void RegistryStore::holdSnapshot() {
    std::lock_guard lock(impl_->mutex);
    if (impl_->ready() == 0) impl_->beginSnapshot();
}

void RegistryStore::releaseSnapshot() {
    std::lock_guard lock(impl_->mutex);
    impl_->endSnapshot();
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
