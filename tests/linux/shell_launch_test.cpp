#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "platform/linux/shell_linux.h"
#include "support/test_paths.h"
#include "text/cp1252.h"

namespace vintrel::platform::linux_host {
namespace {

namespace fs = std::filesystem;
using Argv = std::vector<std::string>;

// App Paths defaults only: key path (upper case) -> default value.
class FakeRegistry final : public Registry {
public:
    std::map<std::string, std::string> defaults;

    long openKey(HKey parent, std::string_view subKey, std::uint32_t, HKey& result) override {
        if (parent != HKEY_LOCAL_MACHINE) return ERROR_FILE_NOT_FOUND;
        const auto it = defaults.find(text::upperCp1252(subKey));
        if (it == defaults.end()) return ERROR_FILE_NOT_FOUND;
        open_[++next_] = it->second;
        result = next_;
        return 0;
    }
    long createKey(HKey, std::string_view, HKey&) override { return ERROR_ACCESS_DENIED; }
    long queryValue(HKey key, std::string_view name, std::uint32_t, RegValue& value,
                    std::uint32_t& required) override {
        const auto it = open_.find(key);
        if (it == open_.end()) return ERROR_INVALID_HANDLE;
        if (!name.empty()) return ERROR_FILE_NOT_FOUND;
        value = {REG_SZ, it->second + '\0'};
        required = static_cast<std::uint32_t>(value.data.size());
        return 0;
    }
    long setValue(HKey, std::string_view, std::uint32_t, std::string_view) override {
        return ERROR_ACCESS_DENIED;
    }
    long closeKey(HKey key) override { return open_.erase(key) ? 0L : static_cast<long>(ERROR_INVALID_HANDLE); }
    long enumKey(HKey, std::uint32_t, std::string&) override { return ERROR_NO_MORE_ITEMS; }
    long queryInfoKey(HKey, std::uint32_t& s, std::uint32_t& m) override {
        s = m = 0;
        return 0;
    }
    std::size_t openHandleCount() const override { return open_.size(); }

private:
    std::map<HKey, std::string> open_;
    HKey next_ = 100;
};

// C:\ is /home/ana/vintrel/c; only the files listed exist.
class FakeFiles final : public Files {
public:
    std::set<std::string> existing;  // DOS paths, upper case

    std::string hostPath(std::string_view path) override {
        if (path.size() < 3 || (path[0] != 'C' && path[0] != 'c') || path[1] != ':' || path[2] != '\\')
            return {};
        std::string out = "/home/ana/vintrel/c/";
        for (char c : path.substr(3)) out.push_back(c == '\\' ? '/' : c);
        return text::cp1252ToUtf8(out);
    }
    bool fileExists(std::string_view path) override { return existing.count(text::upperCp1252(path)) != 0; }
    std::uint32_t fileAttributes(std::string_view p) override {
        return fileExists(p) ? FILE_ATTRIBUTE_ARCHIVE : INVALID_FILE_ATTRIBUTES;
    }
    std::uint32_t createDirectory(std::string_view) override { return ERROR_ACCESS_DENIED; }
    std::uint32_t removeDirectory(std::string_view) override { return ERROR_ACCESS_DENIED; }
    std::uint32_t writeWholeFile(std::string_view, std::string_view) override { return ERROR_ACCESS_DENIED; }
    std::string privateProfileString(std::string_view, std::string_view, std::string_view d, std::uint32_t,
                                     std::string_view) override {
        return std::string(d);
    }
};

class RecordingLauncher final : public Launcher {
public:
    std::vector<Argv> started;
    bool result = true;
    bool spawnDetached(const Argv& argv) override {
        started.push_back(argv);
        return result;
    }
};

// The default text editor as `xdg-mime query default text/plain` finds it: the desktop's own
// list before the common one, the user's before the system's, then the system's defaults.list,
// then the first application installed for the type.
TEST(DefaultApplication, SearchOrderOfTheFreedesktopLists) {
    const struct {
        const char* label;
        std::map<std::string, std::string> files;  // relative to the test folder
        const char* expected;                      // nullptr: none
    } cases[] = {
        {"none", {}, nullptr},
        {"installed only",
         {{"data/applications/mimeinfo.cache", "[MIME Cache]\ntext/plain=vim.desktop;gedit.desktop;\n"}},
         "vim.desktop"},
        {"system defaults.list before the cache",
         {{"data/applications/mimeinfo.cache", "[MIME Cache]\ntext/plain=vim.desktop;\n"},
          {"data/applications/defaults.list",
           "[Default Applications]\ntext/plain=org.gnome.gedit.desktop\n"}},
         "org.gnome.gedit.desktop"},
        {"system mimeapps.list",
         {{"data/applications/defaults.list", "[Default Applications]\ntext/plain=vim.desktop\n"},
          {"etc/mimeapps.list", "[Default Applications]\ntext/plain=pluma.desktop\n"}},
         "pluma.desktop"},
        {"desktop's own list first",
         {{"etc/mimeapps.list", "[Default Applications]\ntext/plain=pluma.desktop\n"},
          {"etc/gnome-mimeapps.list", "[Default Applications]\ntext/plain=org.gnome.TextEditor.desktop\n"}},
         "org.gnome.TextEditor.desktop"},
        {"the user's before the system's",
         {{"etc/gnome-mimeapps.list", "[Default Applications]\ntext/plain=org.gnome.TextEditor.desktop\n"},
          {"home/mimeapps.list",
           "[Added Associations]\ntext/plain=x.desktop\n[Default Applications]\ntext/plain=kate.desktop;\n"}},
         "kate.desktop"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        for (const auto& [name, content] : c.files) {
            fs::create_directories((dir.path() / name).parent_path());
            std::ofstream(dir.path() / name) << content;
        }
        ShellEnvironment env;
        env.currentDesktop = "ubuntu:GNOME";
        env.configHome = dir.str() + "/home";
        env.configDirs = {dir.str() + "/etc"};
        env.dataHome = dir.str() + "/local";
        env.dataDirs = {dir.str() + "/data"};
        const auto chosen = defaultApplicationOf(env, "text/plain");
        EXPECT_EQ(chosen.value_or("none"), c.expected ? c.expected : "none") << c.label;
    }
}

struct LaunchCase {
    const char* label;
    const char* currentDesktop;
    std::vector<std::string> installed;  // programs in PATH
    ShellRequest request;
    std::optional<Argv> expected;            // nullopt: nothing started
    const char* textEditorChoice = nullptr;  // the user's text/plain entry in mimeapps.list
};

class ShellLaunch : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(ShellLaunch, StartsTheMappedProgram) {
    const auto& c = GetParam();
    test::TempDir bin;
    for (const auto& program : c.installed) {
        const auto path = bin.path() / program;
        std::ofstream(path) << "#!/bin/true\n";
        fs::permissions(path, fs::perms::owner_all);
    }
    FakeRegistry registry;
    registry.defaults["SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS\\DESK.CPL"] = "";
    FakeFiles files;
    files.existing = {"C:\\WINDOWS\\DESKTOP\\SISTEMA.TXT", "C:\\WINDOWS\\SYSTEM.INI", "C:\\WINDOWS\\WIN.INI",
                      "C:\\WINDOWS\\SYSTEM\\MSCONFIG.EXE", "C:\\MEUS DOCUMENTOS\\CARTA.DOC"};
    RecordingLauncher launcher;
    ShellEnvironment env;
    env.path = "/nonexistent:" + bin.str();
    env.currentDesktop = c.currentDesktop;
    if (c.textEditorChoice) {
        std::ofstream(bin.path() / "mimeapps.list")
            << "[Added Associations]\ntext/plain=x.desktop\n[Default Applications]\ntext/plain="
            << c.textEditorChoice << ";\n";
        env.configHome = bin.str();
    }
    auto shell = makeLinuxShell(registry, files, launcher, env);

    const auto rc = shell->shellExecute(c.request);
    if (c.expected) {
        EXPECT_EQ(rc, 42);
        ASSERT_EQ(launcher.started.size(), 1u);
        EXPECT_EQ(launcher.started[0], *c.expected);
        const std::string program = fs::path(launcher.started[0][0]).filename();
        EXPECT_NE(program, "sh");
        EXPECT_NE(program, "bash");
    } else {
        EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
        EXPECT_TRUE(launcher.started.empty());
    }
    EXPECT_EQ(registry.openHandleCount(), 0u);
}

const std::vector<std::string> kEverything = {"xdg-open",
                                              "xdg-email",
                                              "gnome-control-center",
                                              "kcmshell5",
                                              "kinfocenter",
                                              "xfce4-display-settings",
                                              "xfce4-about",
                                              "gnome-text-editor",
                                              "kate",
                                              "mousepad",
                                              "gnome-session-properties",
                                              "xfce4-session-settings"};

ShellRequest req(std::string file, std::string params = {}, std::string dir = {}) {
    return ShellRequest{"", std::move(file), std::move(params), std::move(dir), SW_SHOWNORMAL};
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ShellLaunch,
    ::testing::Values(
        LaunchCase{"WebAddress", "GNOME", kEverything, req("http://www.example.com.br/vintrel"),
                   Argv{"xdg-open", "http://www.example.com.br/vintrel"}},
        LaunchCase{"WebAddressWithoutXdgOpen",
                   "",
                   {"x-www-browser"},
                   req("HTTPS://example.org/?q=a b"),
                   Argv{"x-www-browser", "HTTPS://example.org/?q=a b"}},
        LaunchCase{"WebAddressShellCharactersStayText",
                   "",
                   {"xdg-open"},
                   req("http://x/;rm -rf ~;$(id)`id`"),
                   Argv{"xdg-open", "http://x/;rm -rf ~;$(id)`id`"}},
        LaunchCase{"Mail", "KDE", kEverything, req("mailto:suporte@example.com.br?subject=Vintrel"),
                   Argv{"xdg-email", "mailto:suporte@example.com.br?subject=Vintrel"}},
        LaunchCase{"MailWithoutXdgEmail",
                   "KDE",
                   {"xdg-open"},
                   req("mailto:a@b.c"),
                   Argv{"xdg-open", "mailto:a@b.c"}},
        LaunchCase{"AddressNeedsAnOpener", "GNOME", {}, req("http://example.com"), std::nullopt},
        LaunchCase{"DisplayGnome", "ubuntu:GNOME", kEverything, req("Control.exe", "Desk.cpl"),
                   Argv{"gnome-control-center", "display"}},
        LaunchCase{"DisplayKde", "KDE", kEverything, req("control.exe", "desk.cpl"),
                   Argv{"kcmshell5", "kcm_kscreen"}},
        LaunchCase{"DisplayXfce", "XFCE", kEverything, req("CONTROL.EXE", "DESK.CPL"),
                   Argv{"xfce4-display-settings"}},
        LaunchCase{"DisplayUnknownDesktopFindsAnyTool",
                   "",
                   {"xfce4-display-settings"},
                   req("Control.exe", "Desk.cpl"),
                   Argv{"xfce4-display-settings"}},
        LaunchCase{"DisplayKdeToolMissingFallsBack",
                   "KDE",
                   {"gnome-control-center"},
                   req("Control.exe", "Desk.cpl"),
                   Argv{"gnome-control-center", "display"}},
        LaunchCase{"DisplayNothingInstalled", "GNOME", {}, req("Control.exe", "Desk.cpl"), std::nullopt},
        LaunchCase{"SystemGnome", "GNOME", kEverything, req("Control.exe", "sysdm.cpl"),
                   Argv{"gnome-control-center", "info-overview"}},
        LaunchCase{"SystemKde", "KDE", kEverything, req("Control.exe", "sysdm.cpl"), Argv{"kinfocenter"}},
        LaunchCase{"SystemXfce", "XFCE", kEverything, req("Control.exe", "sysdm.cpl"), Argv{"xfce4-about"}},
        LaunchCase{"UnknownApplet", "GNOME", kEverything, req("Control.exe", "joy.cpl"), std::nullopt},
        LaunchCase{"NotepadTextFileOpensWithUsersChoice", "GNOME", kEverything,
                   req("Notepad.exe", "C:\\Windows\\Desktop\\Sistema.txt"),
                   Argv{"xdg-open", "/home/ana/vintrel/c/Windows/Desktop/Sistema.txt"}},
        LaunchCase{
            "NotepadQuotedPathWithoutXdgOpen",
            "XFCE",
            {"mousepad", "kate"},
            req("notepad", "\"C:\\Windows\\Desktop\\Sistema.txt\""),
            Argv{"mousepad", "--encoding=WINDOWS-1252", "/home/ana/vintrel/c/Windows/Desktop/Sistema.txt"}},
        LaunchCase{"NotepadIniFileInEditor", "KDE", kEverything,
                   req("Notepad.exe", "c:\\windows\\system.ini"),
                   Argv{"kate", "--encoding=windows-1252", "/home/ana/vintrel/c/windows/system.ini"}},
        LaunchCase{
            "NotepadReportInTheUsersEditorAsWindows1252",
            "GNOME",
            {"xdg-open", "gedit"},
            req("Notepad.exe", "C:\\Windows\\Desktop\\Sistema.txt"),
            Argv{"gedit", "--encoding=WINDOWS-1252", "/home/ana/vintrel/c/Windows/Desktop/Sistema.txt"},
            "org.gnome.gedit.desktop"},
        LaunchCase{"NotepadReportInAnEditorWithoutEncodingOption", "GNOME", kEverything,
                   req("Notepad.exe", "C:\\Windows\\Desktop\\Sistema.txt"),
                   Argv{"xdg-open", "/home/ana/vintrel/c/Windows/Desktop/Sistema.txt"},
                   "org.gnome.TextEditor.desktop"},
        LaunchCase{"NotepadRelativeToDirectory", "GNOME", kEverything,
                   req("Notepad.exe", "Sistema.txt", "C:\\Windows\\Desktop"),
                   Argv{"xdg-open", "/home/ana/vintrel/c/Windows/Desktop/Sistema.txt"}},
        LaunchCase{"NotepadWithoutFile", "GNOME", kEverything, req("Notepad.exe"), Argv{"gnome-text-editor"}},
        LaunchCase{"NotepadNoEditor", "GNOME", {}, req("Notepad.exe", "C:\\x.txt"), std::nullopt},
        LaunchCase{"SysEditOpensTheConfigurationFiles", "XFCE", kEverything, req("sysedit.exe"),
                   Argv{"mousepad", "--encoding=WINDOWS-1252", "/home/ana/vintrel/c/WINDOWS/WIN.INI",
                        "/home/ana/vintrel/c/WINDOWS/SYSTEM.INI"}},
        LaunchCase{"MsConfigBareName", "GNOME", kEverything, req("Msconfig.exe"),
                   Argv{"gnome-session-properties"}},
        LaunchCase{"MsConfigFullPath", "XFCE", kEverything, req("c:\\Windows\\System\\Msconfig.exe"),
                   Argv{"xfce4-session-settings"}},
        LaunchCase{"DocumentOpensWithItsApplication", "GNOME", kEverything,
                   req("C:\\Meus documentos\\Carta.doc"),
                   Argv{"xdg-open", "/home/ana/vintrel/c/Meus documentos/Carta.doc"}},
        LaunchCase{"MissingDocument", "GNOME", kEverything, req("C:\\nada.doc"), std::nullopt},
        LaunchCase{"UnknownProgram", "GNOME", kEverything, req("regedit.exe"), std::nullopt},
        LaunchCase{"EmptyFile", "GNOME", kEverything, req(""), std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

// ------------------------------------------------------------------ App Paths overrides

struct OverrideFixture : ::testing::Test {
    FakeRegistry registry;
    FakeFiles files;
    RecordingLauncher launcher;
    std::unique_ptr<Shell> shell(const std::string& desktop = "GNOME") {
        ShellEnvironment env;
        env.path = bin.str();
        env.currentDesktop = desktop;
        for (const char* p : {"gnome-text-editor", "gnome-control-center", "xdg-open"}) {
            std::ofstream(bin.path() / p) << "#!/bin/true\n";
            fs::permissions(bin.path() / p, fs::perms::owner_all);
        }
        return makeLinuxShell(registry, files, launcher, env);
    }
    static std::string key(const std::string& name) {
        return "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS\\" + text::upperCp1252(name);
    }
    test::TempDir bin;
};

TEST_F(OverrideFixture, ReplacesTheBuiltInChoice) {
    registry.defaults[key("Notepad.exe")] = "codium --new-window";
    registry.defaults[key("Desk.cpl")] = "'/opt/My Tools/screens' --panel \"two words\"";
    registry.defaults[key("winword.exe")] = "libreoffice --writer";
    registry.defaults[key("broken.exe")] = "editor 'unterminated";
    registry.defaults[key("Escrit\xF3rio.exe")] = "escrit\xF3rio";  // Windows-1252 in the registry
    files.existing = {"C:\\WINDOWS\\DESKTOP\\SISTEMA.TXT"};
    auto s = shell();
    struct Case {
        ShellRequest request;
        std::optional<Argv> expected;
    };
    const Case cases[] = {
        {req("NOTEPAD.EXE", "C:\\Windows\\Desktop\\Sistema.txt"),
         Argv{"codium", "--new-window", "/home/ana/vintrel/c/Windows/Desktop/Sistema.txt"}},
        {req("Control.exe", "Desk.cpl"), Argv{"/opt/My Tools/screens", "--panel", "two words"}},
        {req("Control.exe", "sysdm.cpl"), Argv{"gnome-control-center", "info-overview"}},
        {req("WinWord.exe", "/n \"C:\\Meus documentos\\Carta.doc\""),
         Argv{"libreoffice", "--writer", "/n", "/home/ana/vintrel/c/Meus documentos/Carta.doc"}},
        {req("broken.exe"), std::nullopt},
        {req("Escrit\xF3rio.exe"), Argv{"escritório"}},
    };
    for (const auto& c : cases) {
        launcher.started.clear();
        const auto rc = s->shellExecute(c.request);
        if (c.expected) {
            EXPECT_EQ(rc, 42) << c.request.file;
            ASSERT_EQ(launcher.started.size(), 1u) << c.request.file;
            EXPECT_EQ(launcher.started[0], *c.expected);
        } else {
            EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND) << c.request.file;
            EXPECT_TRUE(launcher.started.empty()) << c.request.file;
        }
    }
    EXPECT_EQ(registry.openHandleCount(), 0u);
}

TEST_F(OverrideFixture, FailedStartReportsFileNotFound) {
    auto s = shell();
    launcher.result = false;
    EXPECT_EQ(s->shellExecute(req("http://example.com")), ERROR_FILE_NOT_FOUND);
}

// ------------------------------------------------------------------ pieces

TEST(SplitCommand, QuotingWithoutExpansion) {
    struct Case {
        const char* command;
        std::optional<Argv> expected;
    };
    const Case cases[] = {
        {"kate", Argv{"kate"}},
        {"  kate   -n  ", Argv{"kate", "-n"}},
        {"'a b' \"c d\" e\\ f", Argv{"a b", "c d", "e f"}},
        {"\"say \\\"hi\\\" \\$HOME \\\\\"", Argv{"say \"hi\" $HOME \\"}},
        {"$HOME ~ *.txt `id` $(id) ; | &", Argv{"$HOME", "~", "*.txt", "`id`", "$(id)", ";", "|", "&"}},
        {"x''y \"\"", Argv{"xy", ""}},
        {"'unterminated", std::nullopt},
        {"\"unterminated", std::nullopt},
        {"trailing\\", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(splitCommand(c.command), c.expected) << c.command;
}

TEST(DetectDesktop, FromSessionVariables) {
    struct Case {
        const char* current;
        const char* session;
        Desktop expected;
    };
    const Case cases[] = {
        {"GNOME", "", Desktop::Gnome},
        {"ubuntu:GNOME", "ubuntu", Desktop::Gnome},
        {"KDE", "plasma", Desktop::Kde},
        {"XFCE", "xfce", Desktop::Xfce},
        {"X-Cinnamon", "", Desktop::Cinnamon},
        {"MATE", "", Desktop::Mate},
        {"LXQt", "", Desktop::Lxqt},
        {"Budgie:GNOME", "", Desktop::Budgie},
        {"", "plasma", Desktop::Kde},
        {"", "xfce", Desktop::Xfce},
        {"", "", Desktop::Unknown},
        {"sway", "sway", Desktop::Unknown},
        {"ubuntu", "", Desktop::Gnome},
    };
    for (const auto& c : cases)
        EXPECT_EQ(detectDesktop(c.current, c.session), c.expected) << c.current << "/" << c.session;
}

// ------------------------------------------------------------------ the real launcher and the recent list

TEST(ProcessLauncher, ArgumentsArriveVerbatimWithoutAShell) {
    test::TempDir dir;
    const std::string name = dir.str() + "/a b;$(touch x)`id`*";
    auto launcher = makeProcessLauncher();
    ASSERT_TRUE(launcher->spawnDetached({"touch", name}));
    for (int i = 0; i < 500 && !fs::exists(name); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists(name));
    EXPECT_FALSE(fs::exists(dir.path() / "x"));
    EXPECT_FALSE(launcher->spawnDetached({"vintrel-no-such-program-here"}));
    EXPECT_FALSE(launcher->spawnDetached({}));
}

TEST(RecentDocuments, ReplacedByAnEmptyList) {
    test::TempDir dir;
    const std::string file = dir.str() + "/recently-used.xbel";
    std::ofstream(file) << "<?xml version=\"1.0\"?><xbel><bookmark href=\"file:///secret.txt\"/></xbel>";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    ASSERT_TRUE(clearRecentlyUsedFile(file));
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str().find("bookmark href"), std::string::npos);
    EXPECT_NE(content.str().find("<xbel version=\"1.0\""), std::string::npos);
    EXPECT_NE(content.str().find("</xbel>"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1u) << "no temporary file left behind";

    const std::string missing = dir.str() + "/none/recently-used.xbel";
    EXPECT_TRUE(clearRecentlyUsedFile(missing));
    EXPECT_FALSE(fs::exists(missing));
}

TEST(RecentDocuments, ShellClearsTheDataHomeListAndKdesRecentDocuments) {
    test::TempDir dir;
    std::ofstream(dir.path() / "recently-used.xbel") << "<xbel><bookmark/></xbel>";
    // KDE's links go; whatever else the folder holds stays, links to elsewhere included.
    const fs::path kde = dir.path() / "RecentDocuments";
    fs::create_directories(kde);
    std::ofstream(kde / "report.txt.desktop") << "[Desktop Entry]\nURL=/home/u/report.txt\n";
    std::ofstream(kde / "notes.txt") << "mine";
    std::ofstream(dir.path() / "elsewhere.desktop") << "keep";
    fs::create_symlink(dir.path() / "elsewhere.desktop", kde / "link.desktop");
    FakeRegistry registry;
    FakeFiles files;
    RecordingLauncher launcher;
    ShellEnvironment env;
    env.dataHome = dir.str();
    makeLinuxShell(registry, files, launcher, env)->clearRecentDocuments();
    std::ifstream in(dir.path() / "recently-used.xbel");
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str().find("<bookmark"), std::string::npos);
    EXPECT_FALSE(fs::exists(kde / "report.txt.desktop"));
    EXPECT_TRUE(fs::exists(kde / "notes.txt"));
    EXPECT_TRUE(fs::is_symlink(kde / "link.desktop"));
    EXPECT_TRUE(fs::exists(dir.path() / "elsewhere.desktop"));
}

}  // namespace
}  // namespace vintrel::platform::linux_host
