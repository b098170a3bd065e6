#include "platform/registry/reg_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/registry/live_key_table.h"
#include "support/test_paths.h"
#include "text/cp1252.h"

namespace vintrel::registry {
namespace {

using namespace vintrel::platform;
using namespace std::string_literals;
using text::operator""_w;

class RegCommandTest : public ::testing::Test {
protected:
    RegCommandTest() : store_(RegistryStore::openInMemory()) {}

    struct Run {
        int status;
        std::string out, err;
    };

    // Runs the command line; answers holds the replies to any questions asked.
    Run run(std::vector<std::string> args, bool interactive = false, std::vector<bool> answers = {}) {
        std::ostringstream out, err;
        RegCommandContext context;
        context.out = &out;
        context.err = &err;
        context.interactive = interactive;
        context.live = live_;
        context.openStore = [this](std::string&) { return store_; };
        context.confirm = [&](const std::string& question) {
            questions_.push_back(question);
            if (answers.empty()) return false;
            const bool answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        };
        const int status = runRegCommand(args, context);
        return {status, out.str(), err.str()};
    }

    std::string value(HKey root, std::string_view key, std::string_view name) {
        RegValue v;
        return store_->getValue(root, key, name, v) == 0 ? v.data : "<missing>";
    }

    std::shared_ptr<RegistryStore> store_;
    std::shared_ptr<LiveKeyTable> live_;
    std::vector<std::string> questions_;
};

TEST_F(RegCommandTest, AddThenQueryIgnoresLetterCase) {
    Run r = run({"add", "HKCU\\Control Panel\\Desktop", "/v", "MenuShowDelay", "/d", "250"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = run({"query", "HKCU\\CONTROL PANEL\\desktop", "/v", "menushowdelay"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\nHKEY_CURRENT_USER\\CONTROL PANEL\\desktop\n    MenuShowDelay    REG_SZ    250\n\n");
    EXPECT_EQ(value(HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay"), "250\0"s);
}

TEST_F(RegCommandTest, AddEncodesEachType) {
    struct Case {
        std::vector<std::string> args;
        std::uint32_t type;
        std::string data;
    };
    const Case cases[] = {
        {{"/d", "Memória"}, REG_SZ, std::string("Memória"_w) + '\0'},
        {{"/t", "reg_expand_sz", "/d", "%windir%"}, REG_EXPAND_SZ, "%windir%\0"s},
        {{"/t", "REG_DWORD", "/d", "16"}, REG_DWORD, "\x10\0\0\0"s},
        {{"/t", "REG_DWORD", "/d", "0xFFFFFFFF"}, REG_DWORD, "\xFF\xFF\xFF\xFF"s},
        {{"/t", "REG_DWORD"}, REG_DWORD, "\0\0\0\0"s},
        {{"/t", "REG_QWORD", "/d", "0x100"}, REG_QWORD, "\0\x01\0\0\0\0\0\0"s},
        {{"/t", "REG_BINARY", "/d", "0aFF"}, REG_BINARY, "\x0A\xFF"s},
        {{"/t", "REG_MULTI_SZ", "/d", "a\\0b"}, REG_MULTI_SZ, "a\0b\0\0"s},
        {{}, REG_SZ, "\0"s},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"add", "HKLM\\Software\\T", "/v", "x", "/f"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Run r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        RegValue v;
        ASSERT_EQ(store_->getValue(HKEY_LOCAL_MACHINE, "Software\\T", "x", v), 0);
        EXPECT_EQ(v.type, c.type) << c.args.size();
        EXPECT_EQ(v.data, c.data) << (c.args.empty() ? "" : c.args.back());
    }
}

TEST_F(RegCommandTest, BadArgumentsFailWithAMessage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"query"},
        {"query", "HKU\\x"},
        {"query", "HKCU\\Missing"},
        {"query", "HKCU", "/v"},
        {"query", "HKCU", "/q"},
        {"add", "HKCU\\K", "/t", "REG_WHATEVER"},
        {"add", "HKCU\\K", "/v", "x", "/t", "REG_DWORD", "/d", "4294967296"},
        {"add", "HKCU\\K", "/v", "x", "/t", "REG_DWORD", "/d", "-1"},
        {"add", "HKCU\\K", "/v", "x", "/t", "REG_BINARY", "/d", "abc"},
        {"add", "HKCU\\K", "/v", "x", "/t", "REG_BINARY", "/d", "zz"},
        {"delete", "HKCU", "/f"},
        {"delete", "HKCU\\Missing", "/f"},
        {"delete", "HKCU\\K", "/v", "x", "/va", "/f"},
        {"import"},
        {"import", "/nonexistent/file.reg"},
        {"export", "HKCU\\Missing", "/tmp/x.reg"},
    };
    for (const auto& args : cases) {
        const Run r = run(args);
        EXPECT_EQ(r.status, 1) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_FALSE(store_->keyExists(HKEY_CURRENT_USER, "K"));
    EXPECT_EQ(run({"--help"}).status, 0);
}

TEST_F(RegCommandTest, DeleteAsksOnlyAPerson) {
    ASSERT_EQ(store_->setValue(HKEY_CURRENT_USER, "K\\Sub", "v", REG_SZ, "1\0"s), 0);
    ASSERT_EQ(store_->setValue(HKEY_CURRENT_USER, "K", "a", REG_SZ, "1\0"s), 0);
    ASSERT_EQ(store_->setValue(HKEY_CURRENT_USER, "K", "b", REG_SZ, "1\0"s), 0);

    Run r = run({"delete", "HKCU\\K"});  // no terminal: refuses and never asks
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("/f"), std::string::npos);
    EXPECT_TRUE(questions_.empty());
    r = run({"delete", "HKCU\\K"}, true, {false});  // a person says no
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(questions_.size(), 1u);
    EXPECT_TRUE(store_->keyExists(HKEY_CURRENT_USER, "K\\Sub"));

    EXPECT_EQ(run({"delete", "HKCU\\K", "/v", "A", "/f"}).status, 0);
    EXPECT_EQ(value(HKEY_CURRENT_USER, "K", "a"), "<missing>");
    EXPECT_EQ(run({"delete", "HKCU\\K", "/va"}, true, {true}).status, 0);
    EXPECT_EQ(value(HKEY_CURRENT_USER, "K", "b"), "<missing>");
    EXPECT_TRUE(store_->keyExists(HKEY_CURRENT_USER, "K\\Sub"));  // /va keeps subkeys
    EXPECT_EQ(run({"delete", "hkey_current_user\\k", "/f"}).status, 0);
    EXPECT_FALSE(store_->keyExists(HKEY_CURRENT_USER, "K"));
}

TEST_F(RegCommandTest, ImportExportThroughFiles) {
    test::TempDir dir;
    const std::string good = (dir.path() / "good.reg").string();
    const std::string bad = (dir.path() / "bad.reg").string();
    const std::string out = (dir.path() / "out.reg").string();
    std::ofstream(good, std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Imported]\r\n\"v\"=\"1\"\r\n";
    std::ofstream(bad, std::ios::binary) << "REGEDIT4\r\n[HKEY_CURRENT_USER\\Half]\r\n\"v\"=oops\r\n";

    Run r = run({"import", bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.reg:3:"), std::string::npos) << r.err;
    EXPECT_FALSE(store_->keyExists(HKEY_CURRENT_USER, "Half"));

    ASSERT_EQ(run({"import", good}).status, 0);
    EXPECT_EQ(value(HKEY_CURRENT_USER, "imported", "V"), "1\0"s);

    ASSERT_EQ(run({"export", "HKCU\\Imported", out}).status, 0);
    std::ifstream in(out, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Imported]\r\n\"v\"=\"1\"\r\n\r\n");
    r = run({"export", "HKCU\\Imported", out});  // exists, no /y, no terminal
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("/y"), std::string::npos);
    EXPECT_EQ(run({"export", "HKCU\\Imported", out, "/y"}).status, 0);
    r = run({"export", "HKCU\\Imported", "-"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("REGEDIT4\r\n", 0), 0u);
}

TEST_F(RegCommandTest, ExportNeverWritesThroughAPlantedLink) {
    test::TempDir dir;
    const std::filesystem::path victim = dir.path() / "victim";
    std::ofstream(victim) << "secret";
    const std::string out = (dir.path() / "out.reg").string();
    // The names an export used to write through: its old temporary name and the target.
    std::filesystem::create_symlink(victim, out + ".tmp-" + std::to_string(::getpid()));
    ASSERT_EQ(run({"add", "HKCU\\Exported", "/v", "v", "/d", "1"}).status, 0);
    Run r = run({"export", "HKCU\\Exported", out});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string link = (dir.path() / "link.reg").string();
    std::filesystem::create_symlink(victim, link);
    r = run({"export", "HKCU\\Exported", link, "/y"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("symbolic link"), std::string::npos) << r.err;
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "secret");
}

TEST_F(RegCommandTest, KeysAndNamesBeyondWindowsLimitsAreRefused) {
    std::string deep = "HKCU";
    for (int level = 0; level < 513; ++level) deep += "\\k";
    const std::string longName = "HKCU\\" + std::string(256, 'n');
    struct Case {
        std::string key, valueName;
    };
    const Case cases[] = {{deep, "v"}, {longName, "v"}, {"HKCU\\Short", std::string(16384, 'v')}};
    test::TempDir dir;
    const std::string file = (dir.path() / "limits.reg").string();
    for (const Case& c : cases) {
        Run r = run({"add", c.key, "/v", c.valueName, "/d", "x"});
        EXPECT_EQ(r.status, 1) << c.key.size();
        EXPECT_NE(r.err.find("ERROR:"), std::string::npos);
        std::ofstream(file, std::ios::binary) << "REGEDIT4\r\n[HKEY_CURRENT_USER\\Fine]\r\n[" << c.key
                                              << "]\r\n\"" << c.valueName << "\"=\"x\"\r\n";
        r = run({"import", file});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("limits.reg:" + std::string(c.valueName.size() > 1 ? "4" : "3") + ":"),
                  std::string::npos)
            << r.err.substr(0, 200);
        EXPECT_FALSE(store_->keyExists(HKEY_CURRENT_USER, "Fine"));
    }
    std::ofstream(file, std::ios::binary)
        << "REGEDIT4\r\n[HKEY_CURRENT_USER\\N]\r\n\"a" << '\0' << "b\"=\"x\"\r\n";
    Run r = run({"import", file});
    EXPECT_NE(r.err.find("limits.reg:3: the value name holds a NUL"), std::string::npos) << r.err;
}

TEST_F(RegCommandTest, QueryListsValuesSubkeysAndLiveValues) {
    live_ = std::make_shared<LiveKeyTable>();
    live_->addString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProductName",
                     [] { return std::string("Debian"); });
    ASSERT_EQ(store_->setValue(HKEY_LOCAL_MACHINE, "Software\\A", "n", REG_DWORD, "\x10\0\0\0"s), 0);
    ASSERT_EQ(store_->setValue(HKEY_LOCAL_MACHINE, "Software\\A", "", REG_BINARY, "\x01\xAB"s), 0);
    ASSERT_EQ(store_->setValue(HKEY_LOCAL_MACHINE, "Software\\A", "ctl", REG_SZ, "a\x1B[2Jb\0"s), 0);
    ASSERT_EQ(store_->createKey(HKEY_LOCAL_MACHINE, "Software\\A\\B"), 0);

    Run r = run({"query", "HKLM\\Software\\A"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\Software\\A\n"
              "    n    REG_DWORD    0x10\n"
              "    (Default)    REG_BINARY    01AB\n"
              "    ctl    REG_SZ    a?[2Jb\n"  // control characters never reach the terminal
              "\nHKEY_LOCAL_MACHINE\\Software\\A\\B\n\n");
    r = run({"query", "HKLM\\software", "/s"});
    EXPECT_NE(r.out.find("HKEY_LOCAL_MACHINE\\software\\A\\B\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("HKEY_LOCAL_MACHINE\\software\\Microsoft\\Windows\\CurrentVersion\n"),
              std::string::npos)
        << r.out;
    r = run({"query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion", "/v", "ProductName"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("ProductName    REG_SZ    Debian"), std::string::npos);
}

TEST_F(RegCommandTest, RepeatedConflictingOrForeignSwitchesAreSyntaxErrors) {
    const struct {
        std::vector<std::string> args;
        const char* problem;
    } cases[] = {
        {{"query", "HKCU", "/v", "a", "/v", "b"}, "/v is given more than once"},
        {{"query", "HKCU", "/ve", "/VE"}, "/ve is given more than once"},
        {{"query", "HKCU", "/s", "-s"}, "/s is given more than once"},
        {{"query", "HKCU", "/v", "a", "/ve"}, "/v and /ve cannot be used together"},
        {{"query", "HKCU", "/ve", "/v", "a"}, "/v and /ve cannot be used together"},
        {{"delete", "HKCU\\K", "/va", "/v", "a", "/f"}, "/v and /va cannot be used together"},
        {{"delete", "HKCU\\K", "/ve", "/va", "/f"}, "/ve and /va cannot be used together"},
        {{"add", "HKCU\\K", "/v", "a", "/d", "1", "/d", "2"}, "/d is given more than once"},
        {{"add", "HKCU\\K", "/v", "a", "/t", "REG_SZ", "/t", "REG_DWORD"}, "/t is given more than once"},
        {{"add", "HKCU\\K", "/f", "/f"}, "/f is given more than once"},
        {{"export", "HKCU\\K", "-", "/live", "/live"}, "/live is given more than once"},
        {{"query", "HKCU", "/f"}, "/f does not go with query"},
        {{"add", "HKCU\\K", "/s"}, "/s does not go with add"},
        {{"export", "HKCU\\K", "-", "/v", "a"}, "/v does not go with export"},
        {{"import", "x.reg", "/y"}, "/y does not go with import"},
    };
    for (const auto& c : cases) {
        const Run r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.problem;
        EXPECT_EQ(r.err, std::string("ERROR: Invalid syntax: ") + c.problem +
                             "\nType \"vintrel-reg --help\" for usage.\n");
        EXPECT_TRUE(r.out.empty()) << c.problem;
    }
    EXPECT_FALSE(store_->keyExists(HKEY_CURRENT_USER, "K"));
}

TEST_F(RegCommandTest, QueryAndExportShowLiveValuesWhereNothingIsStored) {
    live_ = std::make_shared<LiveKeyTable>();
    const std::string version = "Software\\Microsoft\\Windows\\CurrentVersion";
    live_->addString(HKEY_LOCAL_MACHINE, version, "ProductName", [] { return std::string("Debian"); });
    live_->addString(HKEY_LOCAL_MACHINE, version, "RegisteredOwner", [] { return std::string("Live Owner"); });
    live_->addString(HKEY_LOCAL_MACHINE, "Config\\0001\\Display\\Settings", "BitsPerPixel",
                     [] { return std::string("24"); });
    live_->addString(HKEY_LOCAL_MACHINE, "Enum\\Root\\Modem\\0000", "DeviceDesc",
                     [] { return std::optional<std::string>(); });  // no modem on this machine
    ASSERT_EQ(store_->setValue(HKEY_LOCAL_MACHINE, version, "RegisteredOwner", REG_SZ, "Maria\0"s), 0);

    Run r = run({"query", "HKLM\\" + version});
    EXPECT_EQ(r.out, "\nHKEY_LOCAL_MACHINE\\" + version + "\n"
                     "    RegisteredOwner    REG_SZ    Maria\n"
                     "    ProductName    REG_SZ    Debian    (live)\n\n");
    EXPECT_EQ(run({"query", "HKLM\\" + version, "/v", "productname"}).out,
              "\nHKEY_LOCAL_MACHINE\\" + version + "\n    ProductName    REG_SZ    Debian    (live)\n\n");
    EXPECT_EQ(run({"query", "HKLM\\" + version, "/v", "RegisteredOwner"}).out,
              "\nHKEY_LOCAL_MACHINE\\" + version + "\n    RegisteredOwner    REG_SZ    Maria\n\n");
    r = run({"query", "HKLM\\Config", "/s"});
    EXPECT_NE(r.out.find("\\Settings\n    BitsPerPixel    REG_SZ    24    (live)\n"), std::string::npos) << r.out;
    EXPECT_EQ(run({"query", "HKLM\\Enum\\Root\\Modem\\0000"}).status, 1);

    // Export holds the stored keys only, unless /live asks for what the program reads.
    r = run({"export", "HKLM\\Software", "-"});
    EXPECT_EQ(r.out.find("Debian"), std::string::npos) << r.out;
    EXPECT_EQ(run({"export", "HKLM\\Config", "-"}).status, 1);
    r = run({"export", "HKLM\\Software", "-", "/live"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"RegisteredOwner\"=\"Maria\"\r\n\"ProductName\"=\"Debian\"\r\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("Live Owner"), std::string::npos);
    r = run({"export", "HKLM\\Config", "-", "/live"});
    EXPECT_EQ(r.out, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Config]\r\n\r\n[HKEY_LOCAL_MACHINE\\Config\\0001]\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Config\\0001\\Display]\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Config\\0001\\Display\\Settings]\r\n\"BitsPerPixel\"=\"24\"\r\n\r\n");
    EXPECT_FALSE(store_->keyExists(HKEY_LOCAL_MACHINE, "Config"));  // nothing live is ever written
}

}  // namespace
}  // namespace vintrel::registry
