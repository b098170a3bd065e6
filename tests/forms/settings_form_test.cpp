// The settings dialog on simulated machines: loading, Apply with its prompt, folder errors,
// the Logitech check and the lists.
#include "forms/settings_form.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "forms/controls.h"
#include "forms/message_box.h"
#include "platform/registry/registry_store.h"
#include "support/sim_machine.h"
#include "system/registry_access.h"
#include "system/report.h"
#include "text/cp1252.h"

namespace vintrel::forms {
namespace {
using test::SimMachine;

// A machine with a Windows directory and the given registry lines and files.
std::string machine(const std::string& registryLines, const std::string& extra = "") {
    std::string reg = R"("REGEDIT4",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]",
      "\"SystemRoot\"=\"C:\\\\WINDOWS\"",)" + registryLines;
    return R"({"drives":{"C":{"type":3}},"folders":["C:\\WINDOWS\\Menu Iniciar","C:\\WINDOWS\\SYSTEM","C:\\WINDOWS\\Desktop"],"registry":[)" +
           reg + R"(""])" + extra + "}";
}

std::string delayLine(const char* value) {
    return std::string(R"("[HKEY_CURRENT_USER\\Control Panel\\Desktop]",)") + R"("\"MenuShowDelay\"=\")" + value +
           R"(\"",)";
}

template <typename T>
T* get(TSistemaDef& d, const char* name) {
    T* w = d.find<T>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

std::string delayValue() {
    return system::RegReadString(platform::HKEY_CURRENT_USER, "Control Panel\\Desktop", "MenuShowDelay");
}

TEST(SettingsLoad, MenuDelayTable) {
    const struct {
        const char* stored;  // nullptr: missing
        const char* label;
        int position;
        bool padrao;
    } cases[] = {
        {nullptr, "400", 400, false}, {"400", "400", 400, false}, {"250", "250", 250, true},
        {"1000", "400", 400, false},  {"10", "10", 10, true},     {"5", "5", 10, true},
        {" $FA", "250", 250, true},
    };
    for (const auto& c : cases) {
        SimMachine m(machine(c.stored ? delayLine(c.stored) : ""));
        ScriptedMessages boxes;
        TSistemaDef dialog;
        EXPECT_EQ(get<TLabel>(dialog, "Label5")->caption(), c.label) << (c.stored ? c.stored : "missing");
        EXPECT_EQ(get<TTrackBar>(dialog, "TrackBar1")->position(), c.position);
        EXPECT_EQ(get<TButton>(dialog, "Button2")->isEnabled(), c.padrao);
        EXPECT_EQ(delayValue(), c.stored ? c.stored : "400");  // a missing delay is written at once
        EXPECT_TRUE(boxes.asked().empty());
    }
}

TEST(SettingsLoad, DelayThatIsNotANumberStopsLoading) {
    SimMachine m(machine(delayLine("abc")));
    ScriptedMessages boxes;
    TSistemaDef dialog;
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0].text, "'abc' is not a valid integer value.");
    // Apply writes none of what the load did not reach, nor the delay it could not read.
    get<TButton>(dialog, "Button1")->click();
    EXPECT_EQ(delayValue(), "abc");
    EXPECT_EQ(boxes.asked().size(), 1u);
}

TEST(SettingsApply, OrderPromptAndExit) {
    const struct {
        bool delay, bitmap, middle, owner;
        bool prompt;
        std::uint32_t flags;
    } cases[] = {
        {false, false, false, true, false, 0},
        {true, true, false, false, true, platform::EWX_LOGOFF},
        {true, false, true, false, true, platform::EWX_REBOOT},
    };
    for (const auto& c : cases) {
        SimMachine m(machine(delayLine("250"), R"(,"files":{"C:\\WINDOWS\\SYSTEM.INI":"[boot.description]\r\nmouse.drv=Logitech mouse\r\n"})"));
        ScriptedMessages boxes;
        std::vector<int> ended;
        setProcessEnd([&](int code) { ended.push_back(code); });
        TSistemaDef dialog;
        get<TButton>(dialog, "Button1")->click();  // nothing changed: nothing written, no prompt
        EXPECT_TRUE(boxes.asked().empty());
        if (c.delay) get<TButton>(dialog, "Button2")->click();
        if (c.bitmap) get<TCheckBox>(dialog, "CheckBox4")->setChecked(true);
        if (c.middle) get<TCheckBox>(dialog, "CheckBox14")->setChecked(true);
        if (c.owner) get<TEdit>(dialog, "Edit1")->setCaption("Maria");
        boxes.answerNext(Answer::Yes);
        get<TButton>(dialog, "Button1")->click();
        ASSERT_EQ(boxes.asked().size(), c.prompt ? 1u : 0u);
        if (c.prompt) {
            EXPECT_EQ(boxes.asked()[0].caption, "Reiniciar o Windows");
            EXPECT_EQ(boxes.asked()[0].kind, MessageKind::Question);
            EXPECT_EQ(m.record().exitRequests, std::vector<std::uint32_t>{c.flags});
            EXPECT_EQ(ended, std::vector<int>{1});
        }
        if (c.delay) {
            EXPECT_EQ(delayValue(), "400");
        }
        if (c.owner) {
            EXPECT_EQ(system::RegReadString(platform::HKEY_CURRENT_USER, "Software\\Microsoft\\MS Setup (ACME)\\User Info",
                                            "DefName"),
                      "Maria");
        }
        setProcessEnd(nullptr);
    }
}

// Every value Apply writes, read back where other programs look for it (spelled here as they
// spell it, not through the program's own table): a value written under a wrong name fails.
TEST(SettingsApply, EveryWrittenValueReadsBackWhereWindowsKeepsIt) {
    using platform::HKEY_CLASSES_ROOT;
    using platform::HKEY_CURRENT_USER;
    using platform::HKEY_LOCAL_MACHINE;
    const char* version = "SOFTWARE\\Microsoft\\Windows\\CURRENTVERSION";
    const char* userInfo = "software\\microsoft\\ms setup (acme)\\user info";
    const struct {
        platform::HKey root;
        const char* key;
        const char* value;
        const char* expected;
    } written[] = {
        {HKEY_LOCAL_MACHINE, version, "registeredowner", "Maria"},
        {HKEY_CURRENT_USER, userInfo, "DEFNAME", "Maria"},
        {HKEY_LOCAL_MACHINE, version, "REGISTEREDORGANIZATION", "Malvex"},
        {HKEY_CURRENT_USER, userInfo, "defcompany", "Malvex"},
        {HKEY_CURRENT_USER, "CONTROL PANEL\\DESKTOP", "menushowdelay", "400"},
        {HKEY_CLASSES_ROOT, "PAINT.PICTURE\\defaulticon", "", "%1"},
        {HKEY_LOCAL_MACHINE, "software\\logitech\\mouseware\\currentversion\\serialv\\0000", "doubleclick", "001"},
    };
    SimMachine m(machine(delayLine("250"), R"(,"files":{"C:\\WINDOWS\\SYSTEM.INI":"[boot.description]\r\nmouse.drv=Logitech mouse\r\n"})"));
    ScriptedMessages boxes;  // the restart prompt is answered No
    TSistemaDef dialog;
    get<TEdit>(dialog, "Edit1")->setCaption("Maria");
    get<TEdit>(dialog, "Edit2")->setCaption("Malvex");
    get<TButton>(dialog, "Button2")->click();
    get<TCheckBox>(dialog, "CheckBox4")->setChecked(true);
    get<TCheckBox>(dialog, "CheckBox14")->setChecked(true);
    get<TButton>(dialog, "Button1")->click();
    for (const auto& w : written)
        EXPECT_EQ(system::RegReadString(w.root, w.key, w.value), w.expected) << w.key << " " << w.value;
}

TEST(SettingsApply, FolderErrorsStopApplyAndAreNotRetried) {
    const std::string panel = "C:\\WINDOWS\\Menu Iniciar\\Painel de Controle.{21EC2020-3AEA-1069-A2DD-08002B30309D}";
    const struct {
        bool existsAtOpening;  // the folder, holding a file
        bool check;            // the box's new state
        const char* message;
    } cases[] = {
        {false, true, "I/O error 183."},  // created by someone else after the dialog opened
        {true, false, "I/O error 145."},  // a folder to remove that holds something
    };
    for (const auto& c : cases) {
        SimMachine m(machine(delayLine("250")));
        auto& files = platform::current().files();
        if (c.existsAtOpening) {
            files.createDirectory(panel);
            files.writeWholeFile(panel + "\\x.txt", "x");
        }
        ScriptedMessages boxes;
        TSistemaDef dialog;
        if (c.check) files.createDirectory(panel);
        get<TCheckBox>(dialog, "CheckBox1")->setChecked(c.check);
        get<TButton>(dialog, "Button2")->click();
        get<TButton>(dialog, "Button1")->click();
        ASSERT_EQ(boxes.asked().size(), 1u) << c.message;
        EXPECT_EQ(boxes.asked()[0].text, c.message);
        EXPECT_EQ(delayValue(), "400");  // the delay came first
        get<TButton>(dialog, "Button1")->click();
        EXPECT_EQ(boxes.asked().size(), 1u);  // the folder is not tried again, nothing prompts
    }
    // Without a Start-menu folder the path is not found.
    SimMachine m(R"({"drives":{"C":{"type":3}},"folders":["C:\\WINDOWS"],"registry":["REGEDIT4","[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]","\"SystemRoot\"=\"C:\\\\WINDOWS\""]})");
    ScriptedMessages boxes;
    TSistemaDef dialog;
    get<TCheckBox>(dialog, "CheckBox3")->setChecked(true);
    get<TButton>(dialog, "Button3")->click();
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0].text, "Invalid filename.");
}

// OK while another program holds the registry's write lock for longer than a write used to
// wait: the timers keep running, a wait cursor shows, the dialog stays open (even when asked to
// close) until both owner values are written, and then closes.
TEST(SettingsApply, OkWaitsForABusyRegistryWithTheWindowsAlive) {
    SimMachine m(machine(delayLine("250")), {.keepRegistry = true});
    ScriptedMessages boxes;
    TSistemaDef dialog;
    dialog.show();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(registry::databasePath(m.root().str()).c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    int ticks = 0;
    bool openWhileWaiting = true;
    QTimer tick;
    tick.setInterval(20);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++ticks;
        dialog.close();
        openWhileWaiting = openWhileWaiting && dialog.isVisible();
        const QCursor* cursor = QApplication::overrideCursor();
        if (cursor != nullptr && cursor->shape() == Qt::WaitCursor)
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    });
    tick.start();
    get<TEdit>(dialog, "Edit1")->setCaption("Maria");
    get<TButton>(dialog, "Button3")->click();
    tick.stop();
    sqlite3_close(other);
    EXPECT_GT(ticks, 1);
    EXPECT_TRUE(openWhileWaiting);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(system::RegReadString(platform::HKEY_LOCAL_MACHINE,
                                    "Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOwner"),
              "Maria");
    EXPECT_EQ(system::RegReadString(platform::HKEY_CURRENT_USER,
                                    "Software\\Microsoft\\MS Setup (ACME)\\User Info", "DefName"),
              "Maria");
    EXPECT_TRUE(boxes.asked().empty());
}

TEST(SettingsLogitech, CheckedOnlyWithTheExactWord) {
    const struct {
        const char* systemIni;  // nullptr: no file
        bool staysChecked;
    } cases[] = {
        {"[boot.description]\r\nmouse.drv=Logitech Serial Mouse\r\n", true},
        {"[BOOT.DESCRIPTION]\r\nMOUSE.DRV=Mouse logitech\r\n", false},
        {"[boot.description]\r\nmouse.drv=Standard mouse\r\n", false},
        {nullptr, false},
    };
    const std::string line =
        R"("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Logitech\\MouseWare\\CurrentVersion\\SerialV\\0000]","\"DoubleClick\"=\"001\"",)";
    for (const auto& c : cases) {
        std::string files;
        if (c.systemIni) {
            std::string escaped;
            for (const char* p = c.systemIni; *p; ++p) escaped += *p == '\r' ? "\\r" : *p == '\n' ? "\\n" : std::string(1, *p);
            files = R"(,"files":{"C:\\WINDOWS\\SYSTEM.INI":")" + escaped + R"("})";
        }
        SimMachine m(machine(line + delayLine("400"), files));
        ScriptedMessages boxes;
        TSistemaDef dialog;  // the check runs while loading
        EXPECT_EQ(get<TCheckBox>(dialog, "CheckBox14")->isChecked(), c.staysChecked);
        EXPECT_EQ(boxes.asked().size(), c.staysChecked ? 0u : 1u);
        if (!c.staysChecked) {
            EXPECT_EQ(boxes.asked()[0].kind, MessageKind::Message);
            EXPECT_EQ(boxes.asked()[0].text.rfind("Esta op\xE7\xE3o funcionar\xE1 somente", 0), 0u);
            get<TButton>(dialog, "Button1")->click();  // nothing to write: the box matches the saved state
            EXPECT_EQ(boxes.asked().size(), 1u);
        }
    }
}

TEST(SettingsLists, ProgramsSortedWithDuplicatesPrintersAndTitles) {
    std::string uninstall;
    const struct {
        const char* key;
        const char* values;
    } keys[] = {
        {"zz", R"("\"DisplayName\"=\"Zeta\"","\"UninstallString\"=\"x\"",)"},
        {"a1", R"("\"DisplayName\"=\"alfa\"","\"UninstallString\"=\"x\"",)"},
        {"a2", R"("\"DisplayName\"=\"alfa\"","\"UninstallString\"=\"y\"",)"},
        {"noun", R"("\"DisplayName\"=\"Sem desinstalador\"",)"},
        {"noname", R"("\"UninstallString\"=\"x\"",)"},
        {"b", R"("\"DisplayName\"=\"Beta\"","\"UninstallString\"=\"x\"",)"},
    };
    for (const auto& k : keys)
        uninstall += std::string(R"("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\)") +
                     k.key + R"(]",)" + k.values;
    const std::string long100(100, 'T');
    SimMachine m(machine(uninstall + delayLine("400"),
                         R"(,"printers":["HP LaserJet","PDF"],"windows":["Malvex - Vintrel 1.1","",")" + long100 + R"("])"));
    ScriptedMessages boxes;
    TSistemaDef dialog;
    dialog.show();
    EXPECT_EQ(get<TListBox>(dialog, "ListBox1")->items(), (std::vector<std::string>{"alfa", "alfa", "Beta", "Zeta"}));
    EXPECT_EQ(get<TListBox>(dialog, "ListBox2")->items(), (std::vector<std::string>{"HP LaserJet", "PDF"}));
    dialog.Button15Click();
    EXPECT_EQ(get<TListBox>(dialog, "ListBox1")->items(),
              (std::vector<std::string>{"Malvex - Vintrel 1.1", std::string(99, 'T')}));
}

TEST(SettingsLists, WrongValueTypeStopsLoadingAndKeepsEarlierEntries) {
    SimMachine m(machine(
        R"("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\a]","\"DisplayName\"=\"Alfa\"","\"UninstallString\"=\"x\"",)"
        R"("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\b]","\"DisplayName\"=dword:00000001","\"UninstallString\"=\"x\"",)"));
    ScriptedMessages boxes;
    TSistemaDef dialog;
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0].text, "Invalid data type for 'DisplayName'");
    EXPECT_EQ(get<TListBox>(dialog, "ListBox1")->items(), std::vector<std::string>{"Alfa"});
    EXPECT_EQ(get<TEdit>(dialog, "Edit1")->caption(), "Edit1");  // not reached
}

TEST(SettingsTools, LaunchesAndMsConfigRule) {
    SimMachine m(machine(delayLine("400"), R"(,"files":{"C:\\WINDOWS\\SYSTEM\\MSCONFIG.EXE":""})"));
    ScriptedMessages boxes;
    TSistemaDef dialog;
    EXPECT_FALSE(get<TButton>(dialog, "Button14")->isHidden());
    get<TButton>(dialog, "Button14")->click();
    get<TButton>(dialog, "Button12")->click();
    get<TButton>(dialog, "Button9")->click();
    const auto& launches = m.record().launches;
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].file, "c:\\Windows\\System\\Msconfig.exe");
    EXPECT_EQ(launches[1].file, "sysedit.exe");
    EXPECT_TRUE(m.record().recentDocumentsCleared);
}

// The report is written; when no editor starts, the user is told where it is, and only then.
TEST(SettingsTools, ReportWithoutAnEditorSaysWhereItIs) {
    for (bool fails : {false, true}) {
        SimMachine m(
            machine(delayLine("400"), R"(,"launchesFail":)" + std::string(fails ? "true" : "false")));
        ScriptedMessages boxes;
        TSistemaDef dialog;
        get<TButton>(dialog, "Button13")->click();
        ASSERT_EQ(m.record().launches.size(), 1u);
        ASSERT_EQ(boxes.asked().size(), fails ? 1u : 0u);
        if (fails) {
            EXPECT_NE(
                boxes.asked()[0].text.find(text::utf8ToCp1252(m.sim().files().hostPath(system::kReportPath))),
                std::string::npos)
                << boxes.asked()[0].text;
        }
    }
}

}  // namespace
}  // namespace vintrel::forms
