#include <gtest/gtest.h>

#include <sstream>

#include "platform/registry/registry_store.h"
#include "platform/sim/sim_platform.h"
#include "support/test_paths.h"

namespace vintrel::platform::sim {
namespace {

// What a simulated run says for each action it records instead of performing.
TEST(SimulatedRun, AnnouncesEachRecordedAction) {
    test::TempDir root;
    std::ostringstream log;
    auto sim = makeSimPlatform(parseProfile("{}", "test"), root.str(), "test", {&log, false});
    ShellRequest notepad;
    notepad.file = "Notepad.exe";
    notepad.parameters = "C:\\WINDOWS\\Desktop\\Relat\xF3rio \"1\".txt";
    notepad.showCommand = SW_SHOWMAXIMIZED;
    sim->shell().shellExecute(notepad);
    ShellRequest open;
    open.operation = "Open";
    open.file = "http://example.org/\x01";
    open.directory = "C:\\";
    sim->shell().shellExecute(open);
    sim->ui().setTopMost(7, true);
    sim->ui().setTopMost(7, false);
    sim->session().exitWindows(EWX_LOGOFF);
    sim->session().exitWindows(EWX_REBOOT);
    sim->session().exitWindows(4);
    sim->shell().clearRecentDocuments();
    EXPECT_EQ(
        log.str(),
        "vintrel: simulated: launch \"Notepad.exe\" \"C:\\WINDOWS\\Desktop\\Relat\xC3\xB3rio \"\"1\"\".txt\" "
        "show=3\n"
        "vintrel: simulated: launch \"http://example.org/?\" \"\" dir=\"C:\\\" verb=\"Open\" show=1\n"
        "vintrel: simulated: top-most window=7 on\n"
        "vintrel: simulated: top-most window=7 off\n"
        "vintrel: simulated: log-off\n"
        "vintrel: simulated: restart\n"
        "vintrel: simulated: exit-windows flags=4\n"
        "vintrel: simulated: clear-recent-documents\n");
    EXPECT_EQ(sim->record().launches.size(), 2u);
}

// With a root of the user's, what the run writes is in that root's registry database.
TEST(SimulatedRun, KeepsItsRegistryUnderTheRootWhenAsked) {
    test::TempDir root;
    const auto profile = parseProfile(
        R"({"registry": ["REGEDIT4", "", "[HKEY_CURRENT_USER\\Perfil]", "\"a\"=\"1\""]})", "test");
    for (const bool keep : {false, true}) {
        auto sim = makeSimPlatform(profile, root.str(), "test", {nullptr, keep});
        HKey key = 0;
        ASSERT_EQ(sim->registry().createKey(HKEY_CURRENT_USER, "Control Panel\\Desktop", key), 0);
        ASSERT_EQ(sim->registry().setValue(key, "MenuShowDelay", REG_SZ, std::string_view("100", 4)), 0);
        sim->registry().closeKey(key);
        sim.reset();
        std::string error;
        auto store = registry::RegistryStore::open(registry::databasePath(root.str()), error);
        ASSERT_TRUE(store) << error;
        RegValue value;
        const long found =
            store->getValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay", value);
        EXPECT_EQ(found == 0, keep);
        EXPECT_EQ(store->getValue(HKEY_CURRENT_USER, "Perfil", "a", value) == 0, keep);
    }
}

}  // namespace
}  // namespace vintrel::platform::sim
