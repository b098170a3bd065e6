#include "platform/registry/store_registry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/registry/live_key_table.h"
#include "platform/registry/store_watch.h"
#include "support/test_paths.h"
#include "text/cp1252.h"

namespace vintrel::registry {
namespace {

using namespace vintrel::platform;
using text::operator""_w;

std::string sz(std::string_view s) {
    return std::string(s) + '\0';
}

class StoreRegistryTest : public ::testing::Test {
protected:
    StoreRegistryTest() : store_(RegistryStore::openInMemory()), live_(std::make_shared<LiveKeyTable>()) {
        registry_ = makeStoreRegistry(store_, live_);
    }
    void TearDown() override { EXPECT_EQ(registry_->openHandleCount(), 0u); }

    // Every subkey name through enumKey, as a caller walks them.
    std::vector<std::string> enumerate(HKey root, std::string_view path) {
        HKey key = 0;
        std::vector<std::string> names;
        if (registry_->openKey(root, path, KEY_READ, key) != 0) return {"<cannot open>"};
        std::string name;
        for (std::uint32_t i = 0; registry_->enumKey(key, i, name) == 0; ++i) names.push_back(name);
        registry_->closeKey(key);
        return names;
    }

    std::shared_ptr<RegistryStore> store_;
    std::shared_ptr<LiveKeyTable> live_;
    std::unique_ptr<Registry> registry_;
};

TEST_F(StoreRegistryTest, QueryFollowsTheBufferSize) {
    ASSERT_EQ(store_->setValue(HKEY_LOCAL_MACHINE, "K", "v", REG_SZ, sz("12345")), 0);
    HKey key = 0;
    ASSERT_EQ(registry_->openKey(HKEY_LOCAL_MACHINE, "k", KEY_ALL_ACCESS, key), 0);
    struct Case {
        std::uint32_t buffer;
        long result;
        std::string data;
    };
    for (const Case& c : {Case{6, 0, sz("12345")}, Case{100, 0, sz("12345")}, Case{5, ERROR_MORE_DATA, ""},
                          Case{0, ERROR_MORE_DATA, ""}}) {
        RegValue value;
        value.data = "stale";
        std::uint32_t required = 0;
        EXPECT_EQ(registry_->queryValue(key, "V", c.buffer, value, required), c.result) << c.buffer;
        EXPECT_EQ(value.data, c.data) << c.buffer;
        EXPECT_EQ(value.type, REG_SZ);
        EXPECT_EQ(required, 6u);
    }
    RegValue value;
    std::uint32_t required = 0;
    EXPECT_EQ(registry_->queryValue(key, "missing", 256, value, required), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry_->closeKey(key), 0);
}

TEST_F(StoreRegistryTest, HandlesOpenCreateAndClose) {
    HKey missing = 0;
    EXPECT_EQ(registry_->openKey(HKEY_CURRENT_USER, "Nope", KEY_ALL_ACCESS, missing), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(store_->keyExists(HKEY_CURRENT_USER, "Nope"));

    HKey parent = 0, child = 0, nested = 0;
    ASSERT_EQ(registry_->createKey(HKEY_CURRENT_USER, "Software\\Vintrel", parent), 0);
    ASSERT_EQ(registry_->createKey(parent, "Child\\Deeper", child), 0);
    EXPECT_TRUE(store_->keyExists(HKEY_CURRENT_USER, "software\\vintrel\\child\\deeper"));
    ASSERT_EQ(registry_->openKey(parent, "child", KEY_ALL_ACCESS, nested), 0);
    EXPECT_NE(parent, child);
    EXPECT_NE(child, nested);
    EXPECT_EQ(registry_->openHandleCount(), 3u);
    ASSERT_EQ(registry_->setValue(nested, "", REG_SZ, sz("default")), 0);
    RegValue value;
    ASSERT_EQ(store_->getValue(HKEY_CURRENT_USER, "Software\\Vintrel\\Child", "", value), 0);
    EXPECT_EQ(value.data, sz("default"));

    for (HKey key : {parent, child, nested}) EXPECT_EQ(registry_->closeKey(key), 0);
    EXPECT_EQ(registry_->closeKey(parent), ERROR_INVALID_HANDLE);  // already closed
    EXPECT_EQ(registry_->setValue(parent, "x", REG_SZ, sz("x")), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry_->openKey(0x4321, "x", KEY_READ, missing), ERROR_INVALID_HANDLE);

    // The roots are always open and closing them changes nothing.
    HKey root = 0;
    EXPECT_EQ(registry_->openKey(HKEY_LOCAL_MACHINE, "", KEY_READ, root), 0);
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(registry_->closeKey(HKEY_LOCAL_MACHINE), 0);
    EXPECT_EQ(registry_->setValue(HKEY_LOCAL_MACHINE, "OnRoot", REG_SZ, sz("r")), 0);
    EXPECT_EQ(registry_->openHandleCount(), 0u);
}

TEST_F(StoreRegistryTest, LiveValuesAnswerUntilTheStoreHasOne) {
    std::optional<std::string> product = "Debian GNU/Linux 12";
    live_->addString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProductName",
                     [&] { return product; });
    live_->addString(HKEY_LOCAL_MACHINE, "Enum\\Root\\Modem\\0000", "DeviceDesc",
                     [] { return std::nullopt; });

    HKey key = 0;
    ASSERT_EQ(registry_->openKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\MICROSOFT\\WINDOWS\\CurrentVersion",
                                 KEY_ALL_ACCESS, key),
              0);
    RegValue value;
    std::uint32_t required = 0;
    ASSERT_EQ(registry_->queryValue(key, "productname", 256, value, required), 0);
    EXPECT_EQ(value.type, REG_SZ);
    EXPECT_EQ(value.data, sz("Debian GNU/Linux 12"));

    product = "Memória"_w;  // asked again at every read
    ASSERT_EQ(registry_->queryValue(key, "ProductName", 256, value, required), 0);
    EXPECT_EQ(value.data, sz("Memória"_w));

    ASSERT_EQ(registry_->setValue(key, "ProductName", REG_SZ, sz("Mine")), 0);  // the user's value wins
    ASSERT_EQ(registry_->queryValue(key, "ProductName", 256, value, required), 0);
    EXPECT_EQ(value.data, sz("Mine"));
    registry_->closeKey(key);

    // A key whose only live value is absent does not exist.
    EXPECT_EQ(registry_->openKey(HKEY_LOCAL_MACHINE, "Enum\\Root\\Modem\\0000", KEY_ALL_ACCESS, key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(store_->keyExists(HKEY_LOCAL_MACHINE, "Enum"));
}

TEST_F(StoreRegistryTest, EnumerationMergesStoreAndLiveKeys) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    for (const char* app : {"org.gnome.Calculator", "Firefox", "Zeta"})
        live_->addString(HKEY_LOCAL_MACHINE, uninstall + app, "DisplayName",
                         [app] { return std::string(app); });
    live_->addString(HKEY_LOCAL_MACHINE, uninstall + "Gone", "DisplayName", [] { return std::nullopt; });
    ASSERT_EQ(store_->setValue(HKEY_LOCAL_MACHINE, uninstall + "FIREFOX", "Extra", REG_SZ, sz("1")), 0);
    ASSERT_EQ(store_->createKey(HKEY_LOCAL_MACHINE, uninstall + "Editor"), 0);

    EXPECT_EQ(enumerate(HKEY_LOCAL_MACHINE, uninstall),
              (std::vector<std::string>{"Editor", "FIREFOX", "org.gnome.Calculator", "Zeta"}));
    HKey key = 0;
    ASSERT_EQ(registry_->openKey(HKEY_LOCAL_MACHINE, uninstall, KEY_ALL_ACCESS, key), 0);
    std::uint32_t count = 0, longest = 0;
    ASSERT_EQ(registry_->queryInfoKey(key, count, longest), 0);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(longest, std::string("org.gnome.Calculator").size());
    std::string name;
    EXPECT_EQ(registry_->enumKey(key, 4, name), ERROR_NO_MORE_ITEMS);
    registry_->closeKey(key);
    EXPECT_EQ(enumerate(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"),
              std::vector<std::string>{"Uninstall"});
    EXPECT_EQ(enumerate(HKEY_CURRENT_USER, ""), std::vector<std::string>{});
}

TEST(StoreRegistrySnapshot, OtherWritersAreSeenOnceHandlesCloseOrSoonAfter) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    std::string error;
    auto mine = RegistryStore::open(file, error);
    auto other = RegistryStore::open(file, error);  // stands for another process
    ASSERT_TRUE(mine && other) << error;
    auto registry = makeStoreRegistry(mine);
    auto read = [&](HKey key) {
        RegValue value;
        std::uint32_t required = 0;
        return registry->queryValue(key, "v", 256, value, required) == 0 ? value.data : "<missing>";
    };
    ASSERT_EQ(other->setValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, sz("1")), 0);

    HKey key = 0;
    ASSERT_EQ(registry->openKey(HKEY_CURRENT_USER, "K", KEY_ALL_ACCESS, key), 0);
    EXPECT_EQ(read(key), sz("1"));
    ASSERT_EQ(other->setValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, sz("2")), 0);
    ASSERT_EQ(registry->closeKey(key), 0);
    ASSERT_EQ(registry->openKey(HKEY_CURRENT_USER, "K", KEY_ALL_ACCESS, key), 0);
    EXPECT_EQ(read(key), sz("2"));  // a new call sequence sees the new value

    // A handle left open does not pin old data for more than a moment.
    ASSERT_EQ(other->setValue(HKEY_CURRENT_USER, "K", "v", REG_SZ, sz("3")), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(read(key), sz("3"));
    // Own writes are always seen.
    ASSERT_EQ(registry->setValue(key, "v", REG_SZ, sz("4")), 0);
    EXPECT_EQ(read(key), sz("4"));
    ASSERT_EQ(registry->closeKey(key), 0);
}

// Key rows are remembered between reads: whatever another process makes, removes or makes
// again in the meantime (its new rows may take the ids of removed ones) shows at the next read.
// Also when reads trust the folder watch at once (no settling time after a write heard).
class StoreRegistryWriters : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(SettleMs, StoreRegistryWriters, ::testing::Values(2000, 0));

TEST_P(StoreRegistryWriters, KeysChangedByAnotherWriterShowAtTheNextRead) {
    test::TempDir dir;
    const std::string file = (dir.path() / "registry.sqlite3").string();
    std::string error;
    RegistryStore::Options options;
    options.settleAfterWrite = std::chrono::milliseconds(GetParam());
    auto mine = RegistryStore::open(file, error, options);
    auto other = RegistryStore::open(file, error);
    ASSERT_TRUE(mine && other) << error;
    auto registry = makeStoreRegistry(mine);
    auto read = [&](std::string_view path) -> std::string {
        HKey key = 0;
        if (registry->openKey(HKEY_LOCAL_MACHINE, path, KEY_READ, key) != 0) return "<no key>";
        RegValue value;
        std::uint32_t required = 0;
        const long result = registry->queryValue(key, "v", 256, value, required);
        registry->closeKey(key);
        return result == 0 ? value.data : "<no value>";
    };
    struct Step {
        std::function<void()> change;
        const char* path;
        std::string expected;
    };
    const Step steps[] = {
        {[] {}, "A\\B", "<no key>"},
        {[&] { other->setValue(HKEY_LOCAL_MACHINE, "A\\B", "v", REG_SZ, sz("1")); }, "a\\b", sz("1")},
        {[&] { other->deleteKey(HKEY_LOCAL_MACHINE, "A"); }, "A\\B", "<no key>"},
        {[&] { other->setValue(HKEY_LOCAL_MACHINE, "A\\B", "v", REG_SZ, sz("2")); }, "A\\B", sz("2")},
        {[&] {
             other->deleteKey(HKEY_LOCAL_MACHINE, "A");
             other->setValue(HKEY_LOCAL_MACHINE, "C\\D", "v", REG_SZ, sz("3"));
         },
         "C\\D", sz("3")},
        {[] {}, "A\\B", "<no key>"},
        {[&] { other->createKey(HKEY_LOCAL_MACHINE, "A\\B"); }, "A\\B", "<no value>"},
        {[&] { other->setValue(HKEY_LOCAL_MACHINE, "A\\B", "v", REG_SZ, sz("6")); }, "A\\B", sz("6")},
        {[&] { EXPECT_TRUE(mine->setValue(HKEY_LOCAL_MACHINE, "A\\B", "v", REG_SZ, sz("4")) == 0); }, "A\\B",
         sz("4")},
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(read(step.path), step.expected) << step.path;
    }

    // Reads grouped with beginReads see one state; the next read after endReads sees the new one.
    registry->beginReads();
    EXPECT_EQ(read("C\\D"), sz("3"));
    ASSERT_EQ(other->setValue(HKEY_LOCAL_MACHINE, "C\\D", "v", REG_SZ, sz("5")), 0);
    EXPECT_EQ(registry->openHandleCount(), 0u);
    registry->endReads();
    EXPECT_EQ(read("C\\D"), sz("5"));
}

// The watch hears writes to the file and its journals, not to the shared index or other files,
// and says "written" for good once its folder is gone.
TEST(StoreWatch, HearsTheFileAndItsJournalsOnly) {
    test::TempDir dir;
    const auto folder = dir.path() / "store";
    std::filesystem::create_directories(folder);
    auto watch = detail::StoreWatch::open(folder.string(), "registry.sqlite3");
    ASSERT_TRUE(watch);
    EXPECT_FALSE(watch->written());
    const struct {
        const char* name;
        bool heard;
    } cases[] = {{"registry.sqlite3", true},      {"registry.sqlite3-wal", true},
                 {"registry.sqlite3-journal", true}, {"registry.sqlite3-shm", false},
                 {"registry.sqlite3.corrupt", false}, {"C", false}};
    for (const auto& c : cases) {
        std::ofstream(folder / c.name) << "x";
        EXPECT_EQ(watch->written(), c.heard) << c.name;
        EXPECT_FALSE(watch->written()) << c.name << " heard twice";
    }
    std::filesystem::remove_all(folder);
    EXPECT_TRUE(watch->written());
    EXPECT_TRUE(watch->written());
}

TEST(LiveKeyTable, MatchesPathsAndNamesWithoutCase) {
    LiveKeyTable table;
    int asked = 0;
    table.addString(HKEY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor\\0",
                    "VendorIdentifier", [&] {
                        ++asked;
                        return std::string("GenuineIntel");
                    });
    table.addString(HKEY_LOCAL_MACHINE, "Config\\0001\\Display\\Settings", "BitsPerPixel", nullptr);

    const auto value = table.value(HKEY_LOCAL_MACHINE, "HARDWARE\\description\\System\\CentralProcessor\\0\\",
                                   "vendoridentifier");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->data, sz("GenuineIntel"));
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(table.value(HKEY_CURRENT_USER, "Hardware\\Description\\System\\CentralProcessor\\0",
                             "VendorIdentifier"));
    EXPECT_FALSE(table.value(HKEY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor",
                             "VendorIdentifier"));
    EXPECT_FALSE(table.value(HKEY_LOCAL_MACHINE, "Config\\0001\\Display\\Settings", "BitsPerPixel"));

    struct Case {
        const char* path;
        bool exists;
    };
    for (const Case& c : {Case{"", true}, Case{"hardware", true}, Case{"Hardware\\Description\\System", true},
                          Case{"Hardware\\Description\\System\\CentralProcessor\\0", true},
                          Case{"Hardware\\Description\\System\\CentralProcessor\\0\\More", false},
                          Case{"Hard", false}, Case{"Config", false}})
        EXPECT_EQ(table.keyExists(HKEY_LOCAL_MACHINE, c.path), c.exists) << c.path;
    EXPECT_EQ(table.subKeys(HKEY_LOCAL_MACHINE, ""), std::vector<std::string>{"Hardware"});
    EXPECT_EQ(table.subKeys(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION"), std::vector<std::string>{"System"});
    EXPECT_TRUE(
        table.subKeys(HKEY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor\\0").empty());
}

TEST(LiveKeyTable, PathsSpelledWithExtraSeparatorsOrLong) {
    LiveKeyTable table;
    table.addString(HKEY_LOCAL_MACHINE, "Hardware\\Description", "Name", [] { return std::string("x"); });
    struct Case {
        std::string path;
        bool exists;
    };
    const Case cases[] = {
        {"\\\\hardware\\\\DESCRIPTION\\", true},
        {std::string(300, '\\') + "Hardware\\Description", true},  // longer than it normalizes to
        {"Hardware\\" + std::string(300, 'x'), false},
        {"Hardware\\Desc", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(table.keyExists(HKEY_LOCAL_MACHINE, c.path), c.exists) << c.path;
        EXPECT_EQ(table.value(HKEY_LOCAL_MACHINE, c.path, "name").has_value(), c.exists) << c.path;
    }
}

}  // namespace
}  // namespace vintrel::registry
