#include "system/registry_access.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>

#include "platform/registry/registry_store.h"
#include "platform/registry/store_registry.h"
#include "text/cp1252.h"

namespace vintrel::system {
namespace {

using namespace vintrel::platform;
using text::operator""_w;

// Folders and files by exact path; everything else is missing.
class FakeFiles final : public Files {
public:
    std::map<std::string, std::uint32_t, std::less<>> attributes;
    std::uint32_t fileAttributes(std::string_view path) override {
        auto it = attributes.find(path);
        return it != attributes.end() ? it->second : INVALID_FILE_ATTRIBUTES;
    }
    std::uint32_t createDirectory(std::string_view) override { return ERROR_ACCESS_DENIED; }
    std::uint32_t removeDirectory(std::string_view) override { return ERROR_ACCESS_DENIED; }
    bool fileExists(std::string_view) override { return false; }
    std::uint32_t writeWholeFile(std::string_view, std::string_view) override { return ERROR_ACCESS_DENIED; }
    std::string privateProfileString(std::string_view, std::string_view, std::string_view defaultText,
                                     std::uint32_t, std::string_view) override {
        return std::string(defaultText);
    }
    std::string hostPath(std::string_view) override { return {}; }
};

// Only the registry and the files are reachable; the other groups are not used here.
class RegistryPlatform final : public Platform {
public:
    explicit RegistryPlatform(std::shared_ptr<registry::RegistryStore> store)
        : store_(std::move(store)), registry_(registry::makeStoreRegistry(store_)) {}
    Registry& registry() override { return *registry_; }
    Files& files() override { return files_; }
    DrivesAndMemory& drives() override { std::abort(); }
    Processor& processor() override { std::abort(); }
    UserInterface& ui() override { std::abort(); }
    Shell& shell() override { std::abort(); }
    Multimedia& multimedia() override { std::abort(); }
    Spooler& spooler() override { std::abort(); }
    Session& session() override { std::abort(); }
    Locale& locale() override { std::abort(); }

    registry::RegistryStore& store() { return *store_; }
    FakeFiles& fakeFiles() { return files_; }

private:
    std::shared_ptr<registry::RegistryStore> store_;
    std::unique_ptr<Registry> registry_;
    FakeFiles files_;
};

class RegistryAccessTest : public ::testing::Test {
protected:
    RegistryAccessTest()
        : platform_(std::make_unique<RegistryPlatform>(registry::RegistryStore::openInMemory())),
          machine_(static_cast<RegistryPlatform&>(platform_.get())) {}

    void TearDown() override { EXPECT_EQ(platform_.get().registry().openHandleCount(), 0u); }

    registry::RegistryStore& store() { return machine_.store(); }
    void put(std::string_view key, std::string_view name, std::uint32_t type, std::string_view data) {
        ASSERT_EQ(store().setValue(HKEY_LOCAL_MACHINE, key, name, type, data), 0);
    }

    ScopedPlatform platform_;
    RegistryPlatform& machine_;
};

constexpr std::string_view kKey = "Software\\Vintrel\\Test";

TEST_F(RegistryAccessTest, ReadsThroughA256ByteBuffer) {
    using namespace std::string_literals;
    struct Case {
        const char* what;
        std::uint32_t type;
        std::string data;
        std::string expected;
    };
    const std::string s255(255, 'a');
    const std::string s256(256, 'b');
    const Case cases[] = {
        {"plain text", REG_SZ, "Windows 98\0"s, "Windows 98"},
        {"255 characters and NUL fill the buffer", REG_SZ, s255 + '\0', s255},
        {"256 characters and NUL are too long", REG_SZ, s256 + '\0', ""},
        {"256 bytes without NUL fit", REG_BINARY, s256, s256},
        {"a NUL inside ends the text", REG_SZ, "abc\0def\0"s, "abc"},
        {"data without NUL", REG_SZ, "abc"s, "abc"},
        {"empty text", REG_SZ, "\0"s, ""},
        {"no data at all", REG_SZ, ""s, ""},
        {"DWORD 16 is one byte 0x10", REG_DWORD, "\x10\0\0\0"s, "\x10"},
        {"DWORD 0 is empty", REG_DWORD, "\0\0\0\0"s, ""},
        {"expandable text", REG_EXPAND_SZ, "%windir%\0"s, "%windir%"},
        {"accented text stays Windows-1252", REG_SZ, std::string("Memória"_w) + '\0',
         std::string("Memória"_w)},
    };
    for (const Case& c : cases) {
        put(kKey, c.what, c.type, c.data);
        EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, c.what), c.expected) << c.what;
    }
}

TEST_F(RegistryAccessTest, MissingKeyOrValueReadsEmptyAndCreatesNothing) {
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "Software\\Nowhere\\Deeper", "x"), "");
    EXPECT_FALSE(store().keyExists(HKEY_LOCAL_MACHINE, "Software"));
    put(kKey, "present", REG_SZ, std::string("1\0", 2));
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "absent"), "");
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, ""), "");        // no default value
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, kKey, "present"), "");  // other root
    EXPECT_EQ(RegReadString(0x1234, kKey, "present"), "");             // not a root
}

TEST_F(RegistryAccessTest, WriteCreatesThePathAndStoresTextWithItsNul) {
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, "Software\\Microsoft\\MS Setup (ACME)\\User Info",
                               "DefName", "Ana"));
    RegValue value;
    ASSERT_EQ(store().getValue(HKEY_CURRENT_USER, "Software\\Microsoft\\MS Setup (ACME)\\User Info",
                               "DefName", value),
              0);
    EXPECT_EQ(value.type, REG_SZ);
    EXPECT_EQ(value.data, std::string("Ana\0", 4));
    EXPECT_TRUE(store().keyExists(HKEY_CURRENT_USER, "Software\\Microsoft\\MS Setup (ACME)"));

    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay", ""));
    ASSERT_EQ(store().getValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay", value), 0);
    EXPECT_EQ(value.data, std::string(1, '\0'));
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay"), "");
}

TEST_F(RegistryAccessTest, EmptyNameIsTheDefaultValue) {
    ASSERT_TRUE(RegWriteString(HKEY_CLASSES_ROOT, "Paint.Picture\\DefaultIcon", "", "%1"));
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "paint.Picture\\DefaultIcon", ""), "%1");
    ASSERT_TRUE(RegWriteString(HKEY_CLASSES_ROOT, "Paint.Picture\\DefaultIcon", "", "mspaint.exe,1"));
    EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "PAINT.PICTURE\\defaulticon", ""), "mspaint.exe,1");
}

TEST_F(RegistryAccessTest, KeyAndValueNamesIgnoreLetterCase) {
    ASSERT_TRUE(RegWriteString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                               "RegisteredOwner", "Ana"));
    EXPECT_EQ(
        RegReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\MICROSOFT\\WINDOWS\\CurrentVersion", "registeredowner"),
        "Ana");
    // Accented Latin letters fold too.
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, "Configurações"_w, "Índice"_w, "x"));
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "CONFIGURAÇÕES"_w, "íNDICE"_w), "x");
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, "CONFIGURAÇÕES"_w, "ÍNDICE"_w, "y"));
    std::vector<registry::RegistryStore::NamedValue> values;
    ASSERT_EQ(store().values(HKEY_CURRENT_USER, "configurações"_w, values), 0);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "Índice"_w);  // the first spelling stays
    EXPECT_EQ(values[0].value.data, std::string("y\0", 2));
}

TEST_F(RegistryAccessTest, WindowsDirectoryComesFromSystemRoot) {
    EXPECT_EQ(WindowsDirectoryFromRegistry(), "");
    EXPECT_EQ(WindowsDirectoryFromRegistry() + "\\system.ini", "\\system.ini");
    ASSERT_TRUE(RegWriteString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                               "SystemRoot", "C:\\WINDOWS"));
    EXPECT_EQ(WindowsDirectoryFromRegistry(), "C:\\WINDOWS");
}

TEST_F(RegistryAccessTest, FolderExistsNeedsTheDirectoryBit) {
    auto& files = machine_.fakeFiles().attributes;
    files["C:\\"] = FILE_ATTRIBUTE_DIRECTORY;
    files["C:\\WINDOWS"] = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
    files["C:\\WINDOWS\\system.ini"] = FILE_ATTRIBUTE_ARCHIVE;
    files["C:\\odd"] = INVALID_FILE_ATTRIBUTES;  // all bits, including the directory bit
    EXPECT_TRUE(FolderExists("C:\\"));
    EXPECT_TRUE(FolderExists("C:\\WINDOWS"));
    EXPECT_FALSE(FolderExists("C:\\WINDOWS\\system.ini"));
    EXPECT_FALSE(FolderExists("C:\\odd"));
    EXPECT_FALSE(FolderExists("C:\\missing"));
}

// A registry whose every call fails after counting the handles it gave out.
class FailingRegistry final : public Registry {
public:
    long failCreate = 0, failOpen = 0, failQuery = 0, failSet = 0;
    std::size_t open = 0;
    long openKey(HKey, std::string_view, std::uint32_t, HKey& result) override {
        if (failOpen) return failOpen;
        ++open;
        result = 0x100 + static_cast<HKey>(open);
        return 0;
    }
    long createKey(HKey, std::string_view, HKey& result) override {
        if (failCreate) return failCreate;
        ++open;
        result = 0x200 + static_cast<HKey>(open);
        return 0;
    }
    long queryValue(HKey, std::string_view, std::uint32_t bufferSize, RegValue& value,
                    std::uint32_t& required) override {
        if (failQuery) return failQuery;
        value.data = "ok";
        required = 2;
        return bufferSize == 256 ? 0L : long{ERROR_INVALID_PARAMETER};
    }
    long setValue(HKey, std::string_view, std::uint32_t, std::string_view) override { return failSet; }
    long closeKey(HKey) override {
        --open;
        return 0;
    }
    long enumKey(HKey, std::uint32_t, std::string&) override { return ERROR_NO_MORE_ITEMS; }
    long queryInfoKey(HKey, std::uint32_t&, std::uint32_t&) override { return ERROR_INVALID_HANDLE; }
    std::size_t openHandleCount() const override { return open; }
};

class FailingPlatform final : public Platform {
public:
    FailingRegistry reg;
    FakeFiles files_;
    Registry& registry() override { return reg; }
    Files& files() override { return files_; }
    DrivesAndMemory& drives() override { std::abort(); }
    Processor& processor() override { std::abort(); }
    UserInterface& ui() override { std::abort(); }
    Shell& shell() override { std::abort(); }
    Multimedia& multimedia() override { std::abort(); }
    Spooler& spooler() override { std::abort(); }
    Session& session() override { std::abort(); }
    Locale& locale() override { std::abort(); }
};

TEST(RegistryAccessFailures, EveryFailureIsAbsorbedAndEveryHandleClosed) {
    ScopedPlatform scoped(std::make_unique<FailingPlatform>());
    auto& reg = static_cast<FailingPlatform&>(scoped.get()).reg;
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "k", "v"), "ok");
    EXPECT_TRUE(RegWriteString(HKEY_LOCAL_MACHINE, "k", "v", "t"));
    EXPECT_EQ(reg.open, 0u);

    reg.failQuery = ERROR_MORE_DATA;
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "k", "v"), "");
    reg.failSet = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(RegWriteString(HKEY_LOCAL_MACHINE, "k", "v", "t"));
    EXPECT_EQ(reg.open, 0u);
    reg.failOpen = ERROR_BUSY;
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "k", "v"), "");
    EXPECT_FALSE(RegWriteString(HKEY_LOCAL_MACHINE, "k", "v", "t"));  // the created handle is closed
    EXPECT_EQ(reg.open, 0u);
    reg.failCreate = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(RegWriteString(HKEY_LOCAL_MACHINE, "k", "v", "t"));
    EXPECT_EQ(reg.open, 0u);
}

}  // namespace
}  // namespace vintrel::system
