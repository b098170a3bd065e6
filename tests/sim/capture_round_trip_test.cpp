// Odd registry values survive a capture: recorded, written as a profile, played back.
#include <gtest/gtest.h>

#include "platform/registry/reg_file.h"
#include "platform/registry/registry_store.h"
#include "platform/sim/profile_writer.h"
#include "platform/sim/recording_platform.h"
#include "platform/sim/sim_platform.h"
#include "support/test_paths.h"

namespace vintrel::platform::sim {
namespace {

using namespace std::string_literals;

constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion";

struct Row {
    const char* what;
    std::string name;
    std::uint32_t type;
    std::string data;
};

std::string allBytes() {
    std::string s;
    for (int b = 1; b < 256; ++b) s.push_back(static_cast<char>(b));
    return s;
}

const Row kRows[] = {
    {"quotes and backslashes", "a\"b\\c\\", REG_SZ, "C:\\dir\\\"x\"\\\0"s},
    {"NUL inside text", "nul", REG_SZ, "ab\0cd\0"s},
    {"text without its NUL", "open", REG_SZ, "abc"},
    {"empty text data", "empty", REG_SZ, ""},
    {"line breaks", "lines", REG_SZ, "one\r\ntwo\nthree\r\0"s},
    {"every byte as text", "bytes", REG_SZ, allBytes() + '\0'},
    {"every byte in a name", allBytes().substr(32, 200), REG_SZ, "x\0"s},
    {"Windows-1252 undefined bytes", "\x81\x8D\x8F\x90\x9D", REG_EXPAND_SZ, "\x81\x8D\x8F\x90\x9D\0"s},
    {"multi string", "multi", REG_MULTI_SZ, "a\0b\0\0"s},
    {"dword", "dword", REG_DWORD, "\x01\x00\x00\x80"s},
    {"short dword", "dword3", REG_DWORD, "\x01\x02\x03"s},
    {"binary", "bin", REG_BINARY, "\x00\xFF\x0A\x0D\x5C\x22"s},
    {"unknown type", "odd", 0x12345678u, "\x7F\x80"s},
    {"long value", "long", REG_SZ, std::string(70000, 'x') + '\0'},
    {"default value", "", REG_SZ, "default\0"s},
};

RegValue readValue(Platform& platform, const std::string& name, long& code) {
    RegValue value;
    HKey key = 0;
    code = platform.registry().openKey(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS, key);
    if (code != 0) return value;
    std::uint32_t size = 0;
    code = platform.registry().queryValue(key, name, 1u << 20, value, size);
    platform.registry().closeKey(key);
    return value;
}

TEST(CaptureRoundTrip, OddValuesPlayBackAsRecorded) {
    auto store = registry::RegistryStore::openInMemory();
    store->createKey(HKEY_LOCAL_MACHINE, kKey);
    for (const Row& row : kRows)
        ASSERT_EQ(store->setValue(HKEY_LOCAL_MACHINE, kKey, row.name, row.type, row.data), 0) << row.what;
    Profile source;
    source.registryText = registry::exportRegFile(*store, HKEY_LOCAL_MACHINE, kKey);

    test::TempDir first, second;
    RecordingPlatform recorder(makeSimPlatform(source, first.str(), "source"));
    for (const Row& row : kRows) {
        long code = 0;
        readValue(recorder, row.name, code);
        ASSERT_EQ(code, 0) << row.what;
    }
    recorder.startReplay();
    Profile captured = recorder.profile();
    replacePersonalValues(captured);
    const std::string json = profileJson(captured);
    std::unique_ptr<SimPlatform> played;
    ASSERT_NO_THROW(played = makeSimPlatform(parseProfile(json, "captured"), second.str(), "captured"));
    for (const Row& row : kRows) {
        long code = 0;
        const RegValue value = readValue(*played, row.name, code);
        EXPECT_EQ(code, 0) << row.what;
        EXPECT_EQ(value.type, row.type) << row.what;
        EXPECT_EQ(value.data, row.data) << row.what;
    }
}

// The owner's name never stays in a capture, even when the registry text cannot be read back.
TEST(CaptureRoundTrip, PersonalValuesNeverStay) {
    const std::string version =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
        "\"RegisteredOwner\"=\"Jane Doe\"\r\n";
    const struct {
        const char* what;
        std::string registry;
    } cases[] = {
        {"readable", version},
        {"a key name with a line break", version + "\r\n[HKEY_LOCAL_MACHINE\\Software\\a\r\nb]\r\n"},
    };
    for (const auto& c : cases) {
        Profile p;
        p.registryText = c.registry;
        const auto said = replacePersonalValues(p);
        EXPECT_EQ(p.registryText.find("Jane"), std::string::npos) << c.what;
        EXPECT_EQ(said.size(), 1u) << c.what;
    }
}

}  // namespace
}  // namespace vintrel::platform::sim
