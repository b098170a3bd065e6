#include "platform/registry/registry_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/api/write_wait.h"
#include "support/test_paths.h"
#include "text/cp1252.h"

namespace vintrel::registry {
namespace {

using namespace vintrel::platform;
using text::operator""_w;
namespace fs = std::filesystem;

std::shared_ptr<RegistryStore> openFile(const std::string& file, int busyMs = 3000) {
    std::string error;
    auto store = RegistryStore::open(file, error, RegistryStore::Options{busyMs});
    EXPECT_TRUE(store) << error;
    return store;
}

std::string sz(std::string_view s) {
    return std::string(s) + '\0';
}

std::string integrityCheck(const std::string& file) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        else
            result = sqlite3_errmsg(db);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

void rawExec(const std::string& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

std::vector<fs::path> corruptCopies(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".corrupt-") != std::string::npos &&
            entry.path().filename().string().find("-wal") == std::string::npos &&
            entry.path().filename().string().find("-shm") == std::string::npos)
            found.push_back(entry.path());
    return found;
}

TEST(RegistryStore, KeysAndValuesKeepTypeBytesAndFirstSpelling) {
    auto store = RegistryStore::openInMemory();
    ASSERT_TRUE(store);
    const std::string binary("\0\x01\xFF\0", 4);
    ASSERT_EQ(store->setValue(HKEY_LOCAL_MACHINE, "Software\\Vintrel", "Blob", REG_BINARY, binary), 0);
    ASSERT_EQ(store->setValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\vintrel", "blob", REG_DWORD,
                              std::string("\x10\0\0\0", 4)),
              0);
    ASSERT_EQ(store->setValue(HKEY_LOCAL_MACHINE, "Software\\Vintrel", "", REG_SZ, ""), 0);

    RegValue value;
    ASSERT_EQ(store->getValue(HKEY_LOCAL_MACHINE, "software\\VINTREL", "BLOB", value), 0);
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.data, std::string("\x10\0\0\0", 4));
    ASSERT_EQ(store->getValue(HKEY_LOCAL_MACHINE, "Software\\Vintrel", "", value), 0);
    EXPECT_EQ(value.type, REG_SZ);
    EXPECT_EQ(value.data, "");  // empty data is not NULL

    std::vector<std::string> names;
    ASSERT_EQ(store->subKeys(HKEY_LOCAL_MACHINE, "", names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"Software"});
    ASSERT_EQ(store->subKeys(HKEY_LOCAL_MACHINE, "software", names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"Vintrel"});

    EXPECT_EQ(store->getValue(HKEY_CURRENT_USER, "Software\\Vintrel", "Blob", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(store->getValue(0x1234, "Software", "x", value), ERROR_INVALID_HANDLE);
    EXPECT_EQ(store->findKey(HKEY_LOCAL_MACHINE, "Software\\Other"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(store->findKey(HKEY_CLASSES_ROOT, ""), 0);  // roots always exist
    // Stray backslashes do not make a different key.
    EXPECT_TRUE(store->keyExists(HKEY_LOCAL_MACHINE, "\\Software\\\\Vintrel\\"));
}

TEST(RegistryStore, CaseFoldingCoversAccentedLetters) {
    auto store = RegistryStore::openInMemory();
    struct Case {
        std::string_view created, lookedUp;
        bool same;
    };
    const Case cases[] = {
        {"Control Panel", "CONTROL PANEL", true},
        {"Configurações"_w, "CONFIGURAÇÕES"_w, true},
        {"Ÿšœž"_w, "ŸŠŒŽ"_w, true},
        {"straße"_w, "STRASSE", false},  // no multi-letter folding
        {"Indice", "Índice"_w, false},   // accents are not dropped
    };
    for (const Case& c : cases) {
        ASSERT_EQ(store->createKey(HKEY_CURRENT_USER, c.created), 0);
        EXPECT_EQ(store->keyExists(HKEY_CURRENT_USER, c.lookedUp), c.same) << c.created;
    }
}

TEST(RegistryStore, SubkeysInFoldedOrderValuesInCreationOrder) {
    auto store = RegistryStore::openInMemory();
    for (std::string_view name : {std::string_view("gamma"), std::string_view("Beta"), "École"_w,
                                  std::string_view("alpha"), std::string_view("ALPHA")})
        ASSERT_EQ(store->createKey(HKEY_CURRENT_USER, "Root\\" + std::string(name)), 0);
    std::vector<std::string> names;
    ASSERT_EQ(store->subKeys(HKEY_CURRENT_USER, "Root", names), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "gamma", std::string("École"_w)}));

    for (std::string_view name : {"z", "a", "m"})
        ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Root", name, REG_SZ, sz("1")), 0);
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Root", "Z", REG_SZ, sz("2")), 0);  // keeps its place
    std::vector<RegistryStore::NamedValue> values;
    ASSERT_EQ(store->values(HKEY_CURRENT_USER, "Root", values), 0);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].name, "z");
    EXPECT_EQ(values[0].value.data, sz("2"));
    EXPECT_EQ(values[1].name, "a");
    EXPECT_EQ(values[2].name, "m");
}

TEST(RegistryStore, DeleteKeyTakesItsSubtreeAndNothingElse) {
    auto store = RegistryStore::openInMemory();
    const char* keep[] = {"AB", "A B", "A]", "A[", "A]x", "B\\A"};
    const char* gone[] = {"A", "a\\b", "A\\B\\C", "A\\]"};
    for (const char* key : keep) ASSERT_EQ(store->setValue(HKEY_LOCAL_MACHINE, key, "v", REG_SZ, sz(key)), 0);
    for (const char* key : gone) ASSERT_EQ(store->setValue(HKEY_LOCAL_MACHINE, key, "v", REG_SZ, sz(key)), 0);
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "A\\B", "v", REG_SZ, sz("other root")), 0);

    ASSERT_EQ(store->deleteKey(HKEY_LOCAL_MACHINE, "a"), 0);
    for (const char* key : gone) EXPECT_FALSE(store->keyExists(HKEY_LOCAL_MACHINE, key)) << key;
    RegValue value;
    for (const char* key : keep) EXPECT_EQ(store->getValue(HKEY_LOCAL_MACHINE, key, "v", value), 0) << key;
    EXPECT_TRUE(store->keyExists(HKEY_CURRENT_USER, "A\\B"));

    EXPECT_EQ(store->deleteKey(HKEY_LOCAL_MACHINE, "A"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(store->deleteKey(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(store->deleteValue(HKEY_LOCAL_MACHINE, "AB", "V"), 0);
    EXPECT_EQ(store->deleteValue(HKEY_LOCAL_MACHINE, "AB", "v"), ERROR_FILE_NOT_FOUND);
    // A deleted key can be made again, empty.
    ASSERT_EQ(store->createKey(HKEY_LOCAL_MACHINE, "A\\B"), 0);
    std::vector<RegistryStore::NamedValue> values;
    ASSERT_EQ(store->values(HKEY_LOCAL_MACHINE, "A\\B", values), 0);
    EXPECT_TRUE(values.empty());
}

TEST(RegistryStore, TransactionKeepsAllOrNothing) {
    auto store = RegistryStore::openInMemory();
    EXPECT_EQ(store->transaction([&] {
        store->setValue(HKEY_CURRENT_USER, "T", "a", REG_SZ, sz("1"));
        store->createKey(HKEY_CURRENT_USER, "T\\Sub");
        return static_cast<long>(ERROR_INVALID_DATA);
    }),
              ERROR_INVALID_DATA);
    EXPECT_FALSE(store->keyExists(HKEY_CURRENT_USER, "T"));
    EXPECT_EQ(store->transaction([&] {
        store->setValue(HKEY_CURRENT_USER, "T", "a", REG_SZ, sz("1"));
        return store->createKey(HKEY_CURRENT_USER, "T\\Sub");
    }),
              0);
    EXPECT_TRUE(store->keyExists(HKEY_CURRENT_USER, "T\\Sub"));
}

TEST(RegistryStore, FilePersistsWithOwnerOnlyMode) {
    test::TempDir dir;
    const std::string file = (dir.path() / "deeper" / "registry.sqlite3").string();
    {
        auto store = openFile(file);
        ASSERT_TRUE(store);
        ASSERT_EQ(
            store->setValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay", REG_SZ, sz("250")),
            0);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            struct stat st {};
            if (::stat((file + suffix).c_str(), &st) == 0) {
                EXPECT_EQ(st.st_mode & 0777, 0600u) << suffix;
            }
        }
    }
    auto again = openFile(file);
    RegValue value;
    ASSERT_EQ(again->getValue(HKEY_CURRENT_USER, "CONTROL PANEL\\DESKTOP", "menushowdelay", value), 0);
    EXPECT_EQ(value.data, sz("250"));
    EXPECT_EQ(integrityCheck(file), "ok");
}

TEST(RegistryStore, TwoWriterProcessesBothLand) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    ASSERT_TRUE(openFile(file));  // created once, as the program would have
    constexpr int kPerChild = 1000;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            std::string error;
            auto store = RegistryStore::open(file, error, RegistryStore::Options{10000});
            int failures = store ? 0 : 1;
            for (int i = 0; store && i < kPerChild; ++i) {
                const std::string name = "w" + std::to_string(c) + "-" + std::to_string(i);
                failures += store->setValue(HKEY_CURRENT_USER, "Concurrent", name, REG_SZ, sz(name)) != 0;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto store = openFile(file);
    std::vector<RegistryStore::NamedValue> values;
    ASSERT_EQ(store->values(HKEY_CURRENT_USER, "Concurrent", values), 0);
    EXPECT_EQ(values.size(), 2u * kPerChild);
    EXPECT_EQ(integrityCheck(file), "ok");
}

// The killed writer writes ever larger numbers; a value is one letter repeated, so a torn
// write would show.
std::string payload(long n) {
    return std::string(3000, static_cast<char>('a' + n % 26)) + ":" + std::to_string(n);
}

long parsePayload(const std::string& data) {
    const std::size_t colon = data.find(':');
    if (colon != 3000 || data.back() != '\0') return -1;
    const long n = std::stol(data.substr(colon + 1));
    return data.substr(0, 3000) == std::string(3000, static_cast<char>('a' + n % 26)) ? n : -1;
}

TEST(RegistryStore, WriterKilledMidWriteLeavesThePreviousValue) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    {
        auto store = openFile(file);
        ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Crash", "Counter", REG_SZ, sz(payload(0))), 0);
    }
    std::mt19937 random(12345);
    long last = 0;
    for (int round = 1; round <= 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string error;
            auto store = RegistryStore::open(file, error);
            for (long n = round * 1000000L; store; ++n) {
                store->setValue(HKEY_CURRENT_USER, "Crash", "Counter", REG_SZ, sz(payload(n)));
                store->setValue(HKEY_CURRENT_USER, "Crash\\Key" + std::to_string(n % 7), "x", REG_BINARY,
                                payload(n));
                if (n % 5 == 0) store->deleteKey(HKEY_CURRENT_USER, "Crash\\Key" + std::to_string(n % 7));
            }
            ::_exit(0);
        }
        ::usleep(5000 + random() % 30000);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_EQ(integrityCheck(file), "ok") << "round " << round;
        auto store = openFile(file);
        RegValue value;
        ASSERT_EQ(store->getValue(HKEY_CURRENT_USER, "Crash", "Counter", value), 0);
        const long n = parsePayload(value.data);
        ASSERT_GE(n, last) << "round " << round;
        last = n;
    }
    EXPECT_GT(last, 0) << "no writer ever committed before it was killed";
    EXPECT_TRUE(corruptCopies(dir.path()).empty());
}

TEST(RegistryStore, DamagedDatabaseIsMovedAsideAndReplaced) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    struct Case {
        const char* what;
        std::function<void()> damage;
    };
    const Case cases[] = {
        {"not a database", [&] { std::ofstream(file, std::ios::binary) << std::string(5000, 'x'); }},
        {"pages overwritten",
         [&] {
             {
                 auto store = openFile(file);
                 for (int i = 0; i < 300; ++i)
                     store->setValue(HKEY_LOCAL_MACHINE, "K\\" + std::to_string(i), "v", REG_SZ,
                                     sz(payload(i)));
             }
             std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(4096 * 3);
             f << std::string(4096 * 4, '\x5A');
         }},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
        c.damage();
        ::testing::internal::CaptureStderr();
        auto store = openFile(file);
        const std::string messages = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(store) << c.what;
        EXPECT_NE(messages.find("damaged"), std::string::npos) << c.what << ": " << messages;
        EXPECT_NE(messages.find(".corrupt-"), std::string::npos) << c.what;
        ASSERT_EQ(corruptCopies(dir.path()).size(), 1u) << c.what;
        const std::string aside = corruptCopies(dir.path())[0].filename().string();
        EXPECT_TRUE(aside.rfind("registry.sqlite3.corrupt-", 0) == 0) << aside;
        // The fresh store works.
        EXPECT_EQ(store->setValue(HKEY_CURRENT_USER, "After", "v", REG_SZ, sz("1")), 0) << c.what;
        EXPECT_FALSE(store->keyExists(HKEY_LOCAL_MACHINE, "K"));
    }
}

TEST(RegistryStore, NewerLayoutIsRefusedNotReplaced) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    ASSERT_TRUE(openFile(file));
    rawExec(file, "PRAGMA user_version=99");
    std::string error;
    EXPECT_FALSE(RegistryStore::open(file, error));
    EXPECT_NE(error.find("another version"), std::string::npos) << error;
    EXPECT_TRUE(corruptCopies(dir.path()).empty());
}

// A write waits for another connection's write lock for as long as it is held, well past the
// busy timeout, calling the installed waiter between its tries; reads made from the waiter
// are answered meanwhile.
TEST(RegistryStore, WriteWaitsForALockHeldPastTheBusyTimeout) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    auto store = openFile(file, 200);
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, sz("before")), 0);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    struct Waiter final : platform::WriteWaiter {
        RegistryStore& store;
        sqlite3* other;
        int calls = 0, ends = 0;
        std::string seen;
        Waiter(RegistryStore& s, sqlite3* o) : store(s), other(o) {}
        void waiting(std::chrono::milliseconds waited) override {
            ++calls;
            RegValue value;  // readers are not blocked by a writer
            if (store.getValue(HKEY_CURRENT_USER, "K", "v", value) == 0) seen = value.data;
            if (waited > std::chrono::milliseconds(600))
                sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        void waited() override { ++ends; }
    } waiter(*store, other);
    {
        const platform::ScopedWriteWaiter scope(waiter);
        EXPECT_EQ(store->setValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, sz("during")), 0);
    }
    sqlite3_close(other);
    EXPECT_GT(waiter.calls, 1);
    EXPECT_EQ(waiter.ends, 1);
    EXPECT_EQ(waiter.seen, sz("before"));
    RegValue value;
    ASSERT_EQ(store->getValue(HKEY_CURRENT_USER, "K", "v", value), 0);
    EXPECT_EQ(value.data, sz("during"));
}

TEST(RegistryStore, UnwritableDatabaseAnswersReadsAndRefusesWrites) {
    struct Case {
        const char* what;
        const char* chmodTarget;  // "file" or "folder"
        mode_t mode;
    };
    const Case cases[] = {{"read-only file", "file", 0400}, {"read-only folder", "folder", 0500}};
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string folder = (dir.path() / "root").string();
        const std::string file = folder + "/registry.sqlite3";
        {
            auto store = openFile(file);
            ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Kept", "v", REG_SZ, sz("1")), 0);
        }
        ::chmod(std::string(c.chmodTarget) == "file" ? file.c_str() : folder.c_str(), c.mode);
        {
            auto store = openFile(file);
            ASSERT_TRUE(store) << c.what;
            EXPECT_FALSE(store->readOnlyReason().empty()) << c.what;
            RegValue value;
            EXPECT_EQ(store->getValue(HKEY_CURRENT_USER, "kept", "V", value), 0) << c.what;
            EXPECT_EQ(value.data, sz("1")) << c.what;
            EXPECT_EQ(store->setValue(HKEY_CURRENT_USER, "Kept", "w", REG_SZ, sz("2")), ERROR_ACCESS_DENIED);
            EXPECT_EQ(store->deleteKey(HKEY_CURRENT_USER, "Kept"), ERROR_ACCESS_DENIED) << c.what;
        }
        EXPECT_TRUE(corruptCopies(folder).empty()) << c.what;
        ::chmod(folder.c_str(), 0700);
        ::chmod(file.c_str(), 0600);
        RegValue value;
        EXPECT_EQ(openFile(file)->getValue(HKEY_CURRENT_USER, "Kept", "v", value), 0) << c.what;
        EXPECT_EQ(openFile(file)->setValue(HKEY_CURRENT_USER, "Kept", "w", REG_SZ, sz("2")), 0) << c.what;
    }
}

TEST(RegistryStore, LockAtOpeningGivesAReadOnlyStore) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    ASSERT_EQ(openFile(file)->setValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, sz("before")), 0);
    // Another program holds the file as a rollback-journal database, so WAL cannot be set up.
    rawExec(file, "PRAGMA journal_mode=DELETE");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; UPDATE vals SET data=x'00'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    auto store = openFile(file, 200);
    ASSERT_TRUE(store);
    EXPECT_FALSE(store->readOnlyReason().empty());
    RegValue value;
    ASSERT_EQ(store->getValue(HKEY_CURRENT_USER, "K", "v", value), 0);
    EXPECT_EQ(value.data, sz("before"));
    EXPECT_EQ(store->setValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, sz("during")), ERROR_ACCESS_DENIED);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

TEST(RegistryStore, RootFolderBelongsToTheUserAlone) {
    test::TempDir dir;
    const std::string folder = (dir.path() / "root").string();
    fs::create_directories(folder);
    ::chmod(folder.c_str(), 0777);
    ASSERT_TRUE(openFile(folder + "/registry.sqlite3"));
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    if (::geteuid() == 0) {  // only root can give a folder away
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        std::string error;
        EXPECT_FALSE(RegistryStore::open(folder + "/registry.sqlite3", error));
        EXPECT_NE(error.find("another user"), std::string::npos) << error;
    }
}

TEST(RegistryStore, DeepKeysCostTheirNamesAndWindowsLimitsHold) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    auto store = openFile(file);
    std::string deepest;
    for (int level = 0; level < 512; ++level)
        deepest += (level ? "\\" : "") + std::string(250, 'a') + std::to_string(level % 10) + "xyzw";
    ASSERT_EQ(store->createKey(HKEY_CURRENT_USER, deepest), 0);
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, deepest, "v", REG_SZ, sz("deep")), 0);
    RegValue value;
    EXPECT_EQ(store->getValue(HKEY_CURRENT_USER, deepest, "v", value), 0);
    EXPECT_LT(fs::file_size(file) + fs::file_size(file + "-wal"), 2u << 20);  // layout 1 took ~100 MB
    EXPECT_EQ(store->createKey(HKEY_CURRENT_USER, deepest + "\\one more"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(store->createKey(HKEY_CURRENT_USER, "A\\" + std::string(256, 'n')), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(store->setValue(HKEY_CURRENT_USER, "A", std::string(16384, 'v'), REG_SZ, sz("")),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(store->setValue(HKEY_CURRENT_USER, "A", std::string(16383, 'v'), REG_SZ, sz("")), 0);
    EXPECT_EQ(store->deleteKey(HKEY_CURRENT_USER, deepest.substr(0, 255)), 0);
    EXPECT_FALSE(store->keyExists(HKEY_CURRENT_USER, deepest));
}

TEST(RegistryStore, Layout1FilesAreUpgradedOrReadThroughACopy) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    const char* layout1 =
        "CREATE TABLE keys(id INTEGER PRIMARY KEY, root INTEGER NOT NULL, parent INTEGER, path BLOB NOT NULL,"
        " name BLOB NOT NULL, UNIQUE(root, path));"
        "CREATE INDEX keys_parent ON keys(parent, path);"
        "CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, fold BLOB NOT NULL, name BLOB NOT "
        "NULL, type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, fold));"
        "INSERT INTO keys VALUES(1, 2147483649, NULL, x'', x''), (2, 2147483649, 1, 'SOFTWARE', 'Software'),"
        " (3, 2147483649, 2, 'SOFTWARE\\M\xC9', 'm\xE9');"
        "INSERT INTO vals VALUES(1, 3, x'56', x'76', 1, CAST('kept' AS BLOB));"
        "PRAGMA user_version=1;";
    for (const bool readOnly : {true, false}) {
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
        rawExec(file, layout1);
        if (readOnly) ::chmod(file.c_str(), 0400);
        auto store = openFile(file);
        ASSERT_TRUE(store);
        EXPECT_EQ(store->readOnlyReason().empty(), !readOnly);
        RegValue value;
        EXPECT_EQ(store->getValue(HKEY_CURRENT_USER, "software\\M\xC9", "V", value), 0) << readOnly;
        EXPECT_EQ(value.data, "kept");
        std::vector<std::string> names;
        EXPECT_EQ(store->subKeys(HKEY_CURRENT_USER, "Software", names), 0);
        EXPECT_EQ(names, std::vector<std::string>{"m\xE9"});
    }
}

TEST(RegistryStore, HandEditedContentsNeverCrash) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    {
        auto store = openFile(file);
        ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, sz("x")), 0);
    }
    rawExec(file,
            "UPDATE vals SET data='abc', type='text';"
            "INSERT INTO keys(root, parent, fold, name) SELECT root, id, x'', x'' FROM keys WHERE fold=x'4B';"
            "INSERT INTO keys(root, parent, fold, name) SELECT root, id, 'Q', 'a\\b' FROM keys WHERE "
            "fold=x'4B';");
    auto store = openFile(file);
    RegValue value;
    ASSERT_EQ(store->getValue(HKEY_CURRENT_USER, "K", "v", value), 0);
    EXPECT_EQ(value.data, "abc");
    EXPECT_EQ(value.type, REG_NONE);
    std::vector<std::string> names;
    ASSERT_EQ(store->subKeys(HKEY_CURRENT_USER, "K", names), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(store->deleteKey(HKEY_CURRENT_USER, "K"), 0);
}

TEST(RegistryStorePaths, RootFollowsTheEnvironment) {
    const char* saved[3] = {std::getenv("VINTREL_ROOT"), std::getenv("XDG_DATA_HOME"), std::getenv("HOME")};
    const std::string keep[3] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "",
                                 saved[2] ? saved[2] : ""};
    ::setenv("HOME", "/home/ana", 1);
    ::setenv("XDG_DATA_HOME", "/data", 1);
    ::setenv("VINTREL_ROOT", "/custom", 1);
    EXPECT_EQ(userRoot(), "/custom");
    ::unsetenv("VINTREL_ROOT");
    EXPECT_EQ(userRoot(), "/data/vintrel");
    ::setenv("XDG_DATA_HOME", "relative", 1);  // ignored, as the base directory rules say
    EXPECT_EQ(userRoot(), "/home/ana/.local/share/vintrel");
    EXPECT_EQ(databasePath("/r"), "/r/registry.sqlite3");
    EXPECT_EQ(databasePath("/r/"), "/r/registry.sqlite3");
    const char* names[3] = {"VINTREL_ROOT", "XDG_DATA_HOME", "HOME"};
    for (int i = 0; i < 3; ++i) {
        if (saved[i])
            ::setenv(names[i], keep[i].c_str(), 1);
        else
            ::unsetenv(names[i]);
    }
}

}  // namespace
}  // namespace vintrel::registry
