#include "platform/registry/reg_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/test_paths.h"
#include "text/cp1252.h"

namespace vintrel::registry {
namespace {

using namespace vintrel::platform;
using namespace std::string_literals;
using text::operator""_w;
using Kind = RegOperation::Kind;

// UTF-8 source text as a UTF-16LE file with its byte-order mark.
std::string utf16File(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = text::decodeUtf8(utf8, i);
        auto unit = [&](char32_t u) {
            out.push_back(static_cast<char>(u & 0xFF));
            out.push_back(static_cast<char>(u >> 8));
        };
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            unit(0xDC00 + (cp & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(RegFileParse, ValueLines) {
    struct Case {
        std::string line;
        Kind kind;
        std::string name;
        std::uint32_t type;
        std::string data;
    };
    const Case cases[] = {
        {R"("a"="b")", Kind::SetValue, "a", REG_SZ, "b\0"s},
        {R"("q\"uo\\te"="c:\\x \"y\"")", Kind::SetValue, "q\"uo\\te", REG_SZ, "c:\\x \"y\"\0"s},
        {R"("p"="C:\Program Files")", Kind::SetValue, "p", REG_SZ, "C:\\Program Files\0"s},
        {R"(@="default")", Kind::SetValue, "", REG_SZ, "default\0"s},
        {R"("@"="at")", Kind::SetValue, "@", REG_SZ, "at\0"s},
        {R"("e"="")", Kind::SetValue, "e", REG_SZ, "\0"s},
        {R"("s" = "spaced" ; note)", Kind::SetValue, "s", REG_SZ, "spaced\0"s},
        {R"("d"=dword:00000010)", Kind::SetValue, "d", REG_DWORD, "\x10\0\0\0"s},
        {R"("d"=DWORD:FfFfFfFe)", Kind::SetValue, "d", REG_DWORD, "\xFE\xFF\xFF\xFF"s},
        {R"("d"=dword:1)", Kind::SetValue, "d", REG_DWORD, "\x01\0\0\0"s},
        {R"("h"=hex:01,02,ff)", Kind::SetValue, "h", REG_BINARY, "\x01\x02\xFF"s},
        {R"("h"=hex: 0a , b ,)", Kind::SetValue, "h", REG_BINARY, "\x0A\x0B"s},
        {R"("h"=hex:)", Kind::SetValue, "h", REG_BINARY, ""},
        {R"("x"=hex(2):25,41,00)", Kind::SetValue, "x", REG_EXPAND_SZ, "%A\0"s},  // raw in REGEDIT4
        {R"("q"=hex(b):01,00,00,00,00,00,00,00)", Kind::SetValue, "q", REG_QWORD, "\x01\0\0\0\0\0\0\0"s},
        {R"("n"=hex(0):)", Kind::SetValue, "n", REG_NONE, ""},
        {R"("r"=-)", Kind::DeleteValue, "r", REG_NONE, ""},
        {"\t\"t\"=\"tab\"", Kind::SetValue, "t", REG_SZ, "tab\0"s},
        {"\"b\"=\"" + std::string("Memória €"_w) + "\"", Kind::SetValue, "b", REG_SZ,
         std::string("Memória €"_w) + '\0'},
    };
    for (const Case& c : cases) {
        const RegParseResult result =
            parseRegFile("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Key]\r\n" + c.line + "\r\n");
        ASSERT_TRUE(result.ok) << c.line << ": " << result.error.message;
        ASSERT_EQ(result.operations.size(), 2u) << c.line;
        const RegOperation& op = result.operations[1];
        EXPECT_EQ(op.kind, c.kind) << c.line;
        EXPECT_EQ(op.root, HKEY_CURRENT_USER);
        EXPECT_EQ(op.keyPath, "Key");
        EXPECT_EQ(op.valueName, c.name) << c.line;
        EXPECT_EQ(op.type, c.type) << c.line;
        EXPECT_EQ(op.data, c.data) << c.line;
        EXPECT_EQ(op.line, 4) << c.line;
    }
}

TEST(RegFileParse, KeyLinesAndLayout) {
    const std::string file =
        "REGEDIT4\n"
        "; a comment\n"
        "[HKLM\\Software\\A]\n"  // 3
        "   \n"
        "[-HKEY_CLASSES_ROOT\\.txt\\]\n"  // 5
        "[hkey_current_user]\n"           // 6
        "\"big\"=hex:00,01,02,\\\n"       // 7
        "  03,04,\\\n"
        "  ; comments may sit between\n"
        "  05\n"
        "[HKEY_CURRENT_USER\\Odd]Name]\n"  // 11
        "@=\"last\"";                      // 12, no line end
    const RegParseResult result = parseRegFile(file);
    ASSERT_TRUE(result.ok) << result.error.line << ": " << result.error.message;
    EXPECT_EQ(result.dialect, RegDialect::Regedit4);
    ASSERT_EQ(result.operations.size(), 6u);
    const auto& ops = result.operations;
    EXPECT_EQ(ops[0].kind, Kind::CreateKey);
    EXPECT_EQ(ops[0].root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(ops[0].keyPath, "Software\\A");
    EXPECT_EQ(ops[0].line, 3);
    EXPECT_EQ(ops[1].kind, Kind::DeleteKey);
    EXPECT_EQ(ops[1].root, HKEY_CLASSES_ROOT);
    EXPECT_EQ(ops[1].keyPath, ".txt");
    EXPECT_EQ(ops[2].keyPath, "");
    EXPECT_EQ(ops[3].data, "\x00\x01\x02\x03\x04\x05"s);
    EXPECT_EQ(ops[3].line, 7);
    EXPECT_EQ(ops[4].keyPath, "Odd]Name");
    EXPECT_EQ(ops[4].line, 11);
    EXPECT_EQ(ops[5].data, "last\0"s);
    EXPECT_EQ(ops[5].line, 12);
}

TEST(RegFileParse, MalformedLinesReportTheirNumber) {
    struct Case {
        std::string file;
        int line;
        std::string message;  // a part of it
    };
    const std::string head = "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n";  // the value lines below are line 3
    const Case cases[] = {
        {"", 1, "first line"},
        {"REGEDIT5\n", 1, "first line"},
        {"\nREGEDIT4\n", 1, "first line"},
        {"REGEDIT4\n\"a\"=\"b\"\n", 2, "before any [key]"},
        {"REGEDIT4\n[HKEY_USERS\\.DEFAULT]\n", 2, "unknown root key HKEY_USERS"},
        {"REGEDIT4\n[]\n", 2, "missing root"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K\n", 2, "missing ]"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K] x\n", 2, "after ]"},
        {"REGEDIT4\n[-HKEY_CURRENT_USER]\n", 2, "root key cannot be deleted"},
        {"REGEDIT4\n[-HKCU\\K]\n\"a\"=\"b\"\n", 3, "deleted key"},
        {head + "\"a\"=\"unterminated\r\n", 3, "closing quote"},
        {head + "\"unterminated=\"x\"\r\n", 3, "expected ="},
        {head + "\"a\"\r\n", 3, "expected ="},
        {head + "\"a\"=\"b\" c\r\n", 3, "after the closing quote"},
        {head + "\"a\"=dword:\r\n", 3, "dword"},
        {head + "\"a\"=dword:123456789\r\n", 3, "dword"},
        {head + "\"a\"=dword:-1\r\n", 3, "dword"},
        {head + "\"a\"=hex:1g\r\n", 3, "bad byte"},
        {head + "\"a\"=hex:100\r\n", 3, "bad byte"},
        {head + "\"a\"=hex:01,,02\r\n", 3, "empty byte"},
        {head + "\"a\"=hex(zz):00\r\n", 3, "hex(n)"},
        {head + "\"a\"=hex(2:00\r\n", 3, "hex(n)"},
        {head + "\"a\"=hex;00\r\n", 3, "expected :"},
        {head + "\"a\"=hex:01,\\", 3, "ends after a line continuation"},
        {head + "\"a\"=-x\r\n", 3, "after =-"},
        {head + "\"a\"=text\r\n", 3, "unrecognised value data"},
        {head + "garbage\r\n", 3, "unexpected text"},
        {head + "\"a\"=hex:01,\\\r\n  02,\\\r\n  03\r\n\"b\"=nope\r\n", 6, "unrecognised"},
        {"\xFE\xFF\0R"s, 1, "big-endian"},
        {utf16File("Windows Registry Editor Version 5.00\r\n\r\n[HKCU\\K]\r\n") + "\x41", 4,
         "middle of a UTF-16"},
    };
    for (const Case& c : cases) {
        const RegParseResult result = parseRegFile(c.file);
        EXPECT_FALSE(result.ok) << c.file;
        EXPECT_TRUE(result.operations.empty()) << c.file;
        EXPECT_EQ(result.error.line, c.line) << c.file << " -> " << result.error.message;
        EXPECT_NE(result.error.message.find(c.message), std::string::npos)
            << c.file << " -> " << result.error.message;
    }
}

TEST(RegFileParse, Version5FilesAreUtf16AndConvertToWindows1252) {
    const std::string file = utf16File(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Configurações]\r\n"
        "\"Preço\"=\"€ 5 – Ω 😀\"\r\n"
        "\"Path\"=hex(2):25,00,e9,00,ac,20,00,00\r\n"
        "\"Bin\"=hex:e9,00\r\n");
    const RegParseResult result = parseRegFile(file);
    ASSERT_TRUE(result.ok) << result.error.line << ": " << result.error.message;
    EXPECT_EQ(result.dialect, RegDialect::Version5);
    ASSERT_EQ(result.operations.size(), 4u);
    EXPECT_EQ(result.operations[0].keyPath, "Configurações"_w);
    EXPECT_EQ(result.operations[1].valueName, "Preço"_w);
    EXPECT_EQ(result.operations[1].data, std::string("€ 5 – ? ?"_w) + '\0');
    EXPECT_EQ(result.operations[2].type, REG_EXPAND_SZ);
    EXPECT_EQ(result.operations[2].data, std::string("%é€"_w) + '\0');
    EXPECT_EQ(result.operations[3].data, "\xE9\0"s);  // binary stays as it is

    // A UTF-8 file with a byte-order mark reads the same way.
    const RegParseResult utf8 = parseRegFile("\xEF\xBB\xBFREGEDIT4\n[HKCU\\Café]\n\"a\"=\"é\"\n");
    ASSERT_TRUE(utf8.ok);
    EXPECT_EQ(utf8.operations[0].keyPath, "Café"_w);
    EXPECT_EQ(utf8.operations[1].data, std::string("é"_w) + '\0');
}

TEST(RegFileImport, AMalformedFileWritesNothing) {
    auto store = RegistryStore::openInMemory();
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Keep", "v", REG_SZ, "kept\0"s), 0);
    const RegImportResult result = importRegFile(*store,
                                                 "REGEDIT4\n"
                                                 "[-HKEY_CURRENT_USER\\Keep]\n"
                                                 "[HKEY_CURRENT_USER\\New]\n"
                                                 "\"a\"=\"1\"\n"
                                                 "\"b\"=dword:zz\n");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error.line, 5);
    EXPECT_FALSE(store->keyExists(HKEY_CURRENT_USER, "New"));
    RegValue value;
    ASSERT_EQ(store->getValue(HKEY_CURRENT_USER, "Keep", "v", value), 0);
    EXPECT_EQ(value.data, "kept\0"s);
}

TEST(RegFileImport, DeletionsApplyAndMissingTargetsAreNoError) {
    auto store = RegistryStore::openInMemory();
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "A\\B\\C", "v", REG_SZ, "1\0"s), 0);
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "A", "gone", REG_SZ, "1\0"s), 0);
    const RegImportResult result = importRegFile(*store,
                                                 "REGEDIT4\n"
                                                 "[-HKEY_CURRENT_USER\\a\\b]\n"
                                                 "[-HKEY_CURRENT_USER\\Never\\There]\n"
                                                 "[HKEY_CURRENT_USER\\A]\n"
                                                 "\"GONE\"=-\n"
                                                 "\"absent\"=-\n");
    ASSERT_TRUE(result.ok) << result.error.message;
    EXPECT_TRUE(store->keyExists(HKEY_CURRENT_USER, "A"));
    EXPECT_FALSE(store->keyExists(HKEY_CURRENT_USER, "A\\B"));
    RegValue value;
    EXPECT_EQ(store->getValue(HKEY_CURRENT_USER, "A", "gone", value), ERROR_FILE_NOT_FOUND);
}

TEST(RegFileExport, WritesRegedit4AsExpected) {
    auto store = RegistryStore::openInMemory();
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay", REG_SZ, "400\0"s),
              0);
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "", REG_SZ, "say \"hi\" C:\\\0"s),
              0);
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Count", REG_DWORD, "\x10\0\0\0"s),
              0);
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Lines", REG_SZ, "a\r\nb\0"s), 0);
    ASSERT_EQ(store->setValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Big", REG_BINARY,
                              std::string(30, '\xAB')),
              0);
    ASSERT_EQ(store->createKey(HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics"), 0);
    long error = -1;
    const std::string text = exportRegFile(*store, HKEY_CURRENT_USER, "CONTROL PANEL", &error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(text,
              "REGEDIT4\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Control Panel]\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
              "\"MenuShowDelay\"=\"400\"\r\n"
              "@=\"say \\\"hi\\\" C:\\\\\"\r\n"
              "\"Count\"=dword:00000010\r\n"
              "\"Lines\"=hex(1):61,0d,0a,62,00\r\n"
              "\"Big\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\r\n"
              "  ab,ab,ab,ab,ab,ab,ab\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]\r\n"
              "\r\n");
    exportRegFile(*store, HKEY_CURRENT_USER, "Missing", &error);
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

// export -> import into an empty store -> export gives the same bytes.
void expectRoundTrip(RegistryStore& store, HKey root, std::string_view path, const std::string& what) {
    long error = -1;
    const std::string first = exportRegFile(store, root, path, &error);
    ASSERT_EQ(error, 0) << what;
    auto copy = RegistryStore::openInMemory();
    const RegImportResult imported = importRegFile(*copy, first);
    ASSERT_TRUE(imported.ok) << what << " line " << imported.error.line << ": " << imported.error.message;
    EXPECT_EQ(exportRegFile(*copy, root, path, &error), first) << what;
}

TEST(RegFileExport, RoundTripsEveryKindOfValue) {
    auto store = RegistryStore::openInMemory();
    const std::string key = "Software\\Ünïcode \"Keys\"";
    struct Value {
        std::string name;
        std::uint32_t type;
        std::string data;
    };
    const Value values[] = {
        {"", REG_SZ, "default\0"s},
        {"@", REG_SZ, "not the default\0"s},
        {"quote\"back\\slash", REG_SZ, "\"\\\0"s},
        {"empty", REG_SZ, "\0"s},
        {"no data", REG_SZ, ""},
        {"no nul", REG_SZ, "abc"},
        {"inner nul", REG_SZ, "a\0b\0"s},
        {"two nuls", REG_SZ, "a\0\0"s},
        {"lf", REG_SZ, "a\nb\0"s},
        {std::string("acentuação"_w), REG_SZ, std::string("ção €"_w) + '\0'},
        {"short dword", REG_DWORD, "\1\2\3"s},
        {"dword", REG_DWORD, "\xff\xff\xff\xff"s},
        {"qword", REG_QWORD, "\1\0\0\0\0\0\0\x80"s},
        {"multi", REG_MULTI_SZ, "a\0b\0\0"s},
        {"expand", REG_EXPAND_SZ, "%SystemRoot%\0"s},
        {"odd type", 0x12345, "\x01"s},
        {"long binary", REG_BINARY, std::string(1000, '\x5C')},
        {"empty binary", REG_BINARY, ""},
    };
    for (const Value& v : values)
        ASSERT_EQ(store->setValue(HKEY_LOCAL_MACHINE, key, v.name, v.type, v.data), 0) << v.name;
    ASSERT_EQ(store->createKey(HKEY_LOCAL_MACHINE, key + "\\Sub]Key\\Deeper"), 0);
    ASSERT_EQ(store->setValue(HKEY_LOCAL_MACHINE, key + "\\a", "x", REG_SZ, "1\0"s), 0);
    expectRoundTrip(*store, HKEY_LOCAL_MACHINE, "", "all kinds");

    // The copy holds exactly the same values.
    long error = 0;
    auto copy = RegistryStore::openInMemory();
    ASSERT_TRUE(importRegFile(*copy, exportRegFile(*store, HKEY_LOCAL_MACHINE, "", &error)).ok);
    std::vector<RegistryStore::NamedValue> read;
    ASSERT_EQ(copy->values(HKEY_LOCAL_MACHINE, key, read), 0);
    ASSERT_EQ(read.size(), std::size(values));
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].name, values[i].name);
        EXPECT_EQ(read[i].value.type, values[i].type) << values[i].name;
        EXPECT_EQ(read[i].value.data, values[i].data) << values[i].name;
    }
}

class SharedRegFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = test::sharedTestData() / "reg";
        if (!std::filesystem::exists(folder_)) GTEST_SKIP() << "no shared test data at " << folder_
                         << "; configure with -DVINTREL_SHARED_TESTDATA=FOLDER to run these";
    }
    std::string file(const char* name) {
        const auto path = folder_ / name;
        if (!std::filesystem::exists(path)) ADD_FAILURE() << "missing " << path;
        return readFile(path);
    }
    static std::string text(RegistryStore& store, HKey root, std::string_view key, std::string_view name) {
        RegValue value;
        if (store.getValue(root, key, name, value) != 0) return "<missing>";
        return value.data;
    }
    std::filesystem::path folder_;
};

TEST_F(SharedRegFiles, EveryFileImportsAndRoundTrips) {
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        if (entry.path().extension() != ".reg") continue;
        auto store = RegistryStore::openInMemory();
        const RegImportResult result = importRegFile(*store, readFile(entry.path()));
        ASSERT_TRUE(result.ok) << entry.path() << " line " << result.error.line << ": "
                               << result.error.message;
        for (HKey root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT})
            expectRoundTrip(*store, root, "", entry.path().filename().string());
    }
}

TEST_F(SharedRegFiles, Windows98FilesKeepTheirValuesAndDeleteAcrossLetterCase) {
    auto store = RegistryStore::openInMemory();
    ASSERT_TRUE(importRegFile(*store, file("win98-slowpnp.reg")).ok);
    EXPECT_TRUE(store->keyExists(HKEY_LOCAL_MACHINE, "Enum\\Root\\Processor_Update\\0000"));
    EXPECT_EQ(text(*store, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "SetupFlags"),
              "\x09\x05\x00\x00"s);
    EXPECT_EQ(
        text(*store, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "OtherDevicePath"),
        "C:\\DRIVER\0"s);
    EXPECT_EQ(text(*store, HKEY_LOCAL_MACHINE, "Enum\\INFRARED\\KnownDevices", "PCI\\VEN_1179&DEV_0701"),
              "PCI\\VEN_1179&DEV_0701\0"s);
    EXPECT_EQ(text(*store, HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\GPTTSD",
                   "MaxPartitionSize"),
              "\0\0\0\0"s);

    ASSERT_TRUE(importRegFile(*store, file("win98-fastpnp.reg")).ok);
    // [-...\Processor_update] removes the key spelled Processor_Update.
    EXPECT_FALSE(store->keyExists(HKEY_LOCAL_MACHINE, "Enum\\Root\\Processor_Update"));
    EXPECT_TRUE(store->keyExists(HKEY_LOCAL_MACHINE, "Enum\\Root\\SwEnum\\0000"));
    EXPECT_EQ(
        text(*store, HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\USB\\SilentClasses", "3"),
        "\xC3\x08\x06\x50"s);
}

TEST_F(SharedRegFiles, Version5FilesDeleteKeysAndValues) {
    auto store = RegistryStore::openInMemory();
    ASSERT_EQ(store->setValue(HKEY_CLASSES_ROOT, "ms-gamebar", "NoOpenWith", REG_SZ, "\0"s), 0);
    ASSERT_EQ(store->setValue(HKEY_CLASSES_ROOT, "ms-gamebar\\shell\\open\\command", "", REG_SZ, "x\0"s), 0);
    ASSERT_EQ(store->setValue(HKEY_LOCAL_MACHINE, "Software\\Policies\\Microsoft\\Edge", "TabServicesEnabled",
                              REG_DWORD, "\0\0\0\0"s),
              0);
    ASSERT_EQ(
        store->setValue(HKEY_LOCAL_MACHINE, "Software\\Policies\\Microsoft\\Edge", "Other", REG_SZ, "k\0"s),
        0);

    ASSERT_TRUE(importRegFile(*store, file("v5-utf16-deletions.reg")).ok);
    EXPECT_EQ(text(*store, HKEY_CLASSES_ROOT, "ms-gamebar", ""), "URL:ms-gamebar\0"s);
    EXPECT_EQ(text(*store, HKEY_CLASSES_ROOT, "ms-gamebar", "URL Protocol"), "\0"s);
    EXPECT_EQ(text(*store, HKEY_CLASSES_ROOT, "ms-gamebar", "NoOpenWith"), "<missing>");
    EXPECT_FALSE(store->keyExists(HKEY_CLASSES_ROOT, "ms-gamebar\\shell\\open\\command"));
    EXPECT_TRUE(store->keyExists(HKEY_CLASSES_ROOT, "ms-gamebar\\shell\\open"));
    EXPECT_EQ(text(*store, HKEY_CURRENT_USER, "Software\\Microsoft\\GameBar", "UseNexusForGameBarEnabled"),
              "\x01\0\0\0"s);

    ASSERT_TRUE(importRegFile(*store, file("v5-utf16-value-deletions.reg")).ok);
    EXPECT_EQ(text(*store, HKEY_LOCAL_MACHINE, "Software\\Policies\\Microsoft\\Edge", "TabServicesEnabled"),
              "<missing>");
    EXPECT_EQ(text(*store, HKEY_LOCAL_MACHINE, "Software\\Policies\\Microsoft\\Edge", "Other"), "k\0"s);
}

}  // namespace
}  // namespace vintrel::registry
