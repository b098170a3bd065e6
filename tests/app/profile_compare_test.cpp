// vintrel --compare: what changed between two machine profiles, grouped.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/profile_compare.h"
#include "support/program_run.h"
#include "support/test_paths.h"

namespace vintrel::app {
namespace {

using platform::sim::Profile;

const char* kProgram = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\gimp]\r\n"
                       "\"DisplayName\"=\"GIMP\"\r\n\"UninstallString\"=\"apt-get remove gimp\"\r\n\r\n";

Profile base() {
    Profile p;
    p.drives[2] = {platform::DRIVE_FIXED, {"SISTEMA", 0, 255, 0, "ext4"}, 64LL << 30, 10LL << 30};
    p.drives[3] = {platform::DRIVE_FIXED, {"DADOS", 0, 255, 0, "ext4"}, 500LL << 30, 100LL << 30};
    p.memory.totalPhys = 8ULL << 30;
    p.tscTicksPerSecond = 2'000'000'000;
    p.printers = {{"Laser", "ipp://x"}};
    p.registryText = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
                     "\"RegisteredOwner\"=\"Maria\"\r\n\"ProductName\"=\"Debian 12\"\r\n\r\n";
    return p;
}

TEST(ProfileCompare, GroupsWhatChanged) {
    struct Case {
        const char* what;
        std::function<void(Profile&)> change;
        std::vector<ProfileGroup> expected;
    };
    const Case cases[] = {
        {"nothing changed; moment-to-moment figures and personal placeholders do not count",
         [](Profile& p) {
             p.drives[2].freeBytes = 1;
             p.memory.memoryLoad = 99;
             p.tscTicksPerSecond = 2'010'000'000;
             p.printers[0].ports = "LPT1:";
             p.drives[3].volume.serialNumber = 0;
             p.registryText.replace(p.registryText.find("Maria"), 5, "Owner");
         },
         {}},
        {"drive removed", [](Profile& p) { p.drives[3] = {}; },
         {{"Unidades", {"removida: D: (disco fixo, DADOS, ext4, 500,00 GB)"}}}},
        {"drive resized and its type changed",
         [](Profile& p) {
             p.drives[3].totalBytes = 1000LL << 30;
             p.drives[2].type = platform::DRIVE_REMOVABLE;
         },
         {{"Unidades", {"tipo mudou: C: de disco fixo para removível", "redimensionada: D: de 500,00 GB para 1000,00 GB"}}}},
        {"memory, screen, clock and printers",
         [](Profile& p) {
             p.memory.totalPhys = 16ULL << 30;
             p.screen = {1920, 1080};
             p.tscTicksPerSecond = 3'000'000'000;
             p.printers = {{"Jato", ""}};
         },
         {{"Memória", {"memória física: de 8,00 GB para 16,00 GB"}},
          {"Tela", {"de 800 x 600 para 1920 x 1080"}},
          {"Processador", {"clock: de 2000,00 MHz para 3000,00 MHz"}},
          {"Impressoras", {"adicionada: Jato", "removida: Laser"}}}},
        {"program added", [](Profile& p) { p.registryText += kProgram; },
         {{"Programas instalados", {"adicionado: GIMP"}}}},
        {"value changed, added and removed",
         [](Profile& p) {
             p.registryText = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
                              "\"ProductName\"=\"Debian 13\"\r\n\r\n"
                              "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n\"MenuShowDelay\"=\"250\"\r\n\r\n";
         },
         {{"Registro",
           {"adicionado: HKEY_CURRENT_USER\\Control Panel\\Desktop \"MenuShowDelay\" = \"250\"",
            "alterado: HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion \"ProductName\": de "
            "\"Debian 12\" para \"Debian 13\"",
            "removido: HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion \"RegisteredOwner\""}}}},
    };
    for (const Case& c : cases) {
        Profile after = base();
        c.change(after);
        const auto groups = compareProfiles(base(), after);
        ASSERT_EQ(groups.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            EXPECT_EQ(groups[i].title, c.expected[i].title) << c.what;
            EXPECT_EQ(groups[i].lines, c.expected[i].lines) << c.what;
        }
    }
}

TEST(ProfileCompare, ExitStatusOfTheCommand) {
    test::TempDir dir;
    const std::string example = test::exampleProfile().toStdString();
    nlohmann::json copy = nlohmann::json::parse(std::ifstream(example));
    copy["drives"].erase("D");
    const std::string changed = dir.str() + "/changed.json";
    std::ofstream(changed) << copy.dump();
    std::ofstream(dir.str() + "/broken.json") << "{\"drives\": [";

    const auto run = [](const QStringList& args) { return test::runProgram(QStringList{"--compare"} + args); };
    const auto same = run({QString::fromStdString(example), QString::fromStdString(example)});
    EXPECT_EQ(same.exitCode, 0) << same.err.toStdString();
    const auto removed = run({QString::fromStdString(example), QString::fromStdString(changed)});
    EXPECT_EQ(removed.exitCode, 1);
    EXPECT_NE(removed.out.toStdString().find("removida: D: (disco fixo, DADOS, FAT32"), std::string::npos)
        << removed.out.toStdString();
    const auto broken = run({QString::fromStdString(example), QString::fromStdString(dir.str() + "/broken.json")});
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_NE(broken.err.toStdString().find("broken.json"), std::string::npos) << broken.err.toStdString();
    const auto missing = run({QString::fromStdString(dir.str() + "/none.json"), QString::fromStdString(example)});
    EXPECT_EQ(missing.exitCode, 2);

    std::istringstream in(copy.dump());
    std::ostringstream out, err;
    EXPECT_EQ(runCompare(example, "-", in, out, err), 1);
    EXPECT_NE(out.str().find("Unidades"), std::string::npos);
}

}  // namespace
}  // namespace vintrel::app
