#include "platform/linux/installed_programs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <chrono>

#include "platform/linux/desktop_entry.h"
#include "platform/linux/shell_linux.h"
#include "platform/linux/uninstall_live_keys.h"
#include "platform/registry/live_key_table.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/registry_store.h"
#include "platform/registry/store_registry.h"
#include "support/test_paths.h"

namespace vintrel::platform::linux_host {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string describe(const std::vector<InstalledProgram>& programs) {
    std::string out;
    for (const auto& p : programs) out += p.id + " | " + p.name + " | " + p.uninstallCommand + "\n";
    return out;
}

// Which entries a menu shows and under which name: one entry in a data folder, owned by a
// Debian package or not.
TEST(InstalledPrograms, WhichEntriesAreListedAndTheirNames) {
    struct Row {
        const char* what;
        std::string entry;  // the [Desktop Entry] lines after the group header
        bool owned;
        const char* listedAs;  // nullptr: not listed
    };
    const Row rows[] = {
        {"plain", "Type=Application\nName=Editor\n", true, "Editor"},
        {"Brazilian name", "Type=Application\nName=Editor\nName[pt]=Editor PT\nName[pt_BR]=Editor BR\n", true,
         "Editor BR"},
        {"Portuguese name", "Type=Application\nName=Editor\nName[pt]=Editor PT\nName[de]=Bearbeiter\n", true,
         "Editor PT"},
        {"escapes", "Type=Application\nName=Bloco\\sde notas\\n\n", true, "Bloco de notas "},
        {"first key counts", "Type=Application\nName=Um\nName=Dois\n", true, "Um"},
        {"no display", "Type=Application\nName=Editor\nNoDisplay=true\n", true, nullptr},
        {"hidden", "Type=Application\nName=Editor\nHidden=true\n", true, nullptr},
        {"hidden false", "Type=Application\nName=Editor\nHidden=false\nNoDisplay=false\n", true, "Editor"},
        {"try exec present", "Type=Application\nName=Editor\nTryExec=present-tool\n", true, "Editor"},
        {"try exec missing", "Type=Application\nName=Editor\nTryExec=missing-tool\n", true, nullptr},
        {"try exec absolute missing", "Type=Application\nName=Editor\nTryExec=/nonexistent/tool\n", true,
         nullptr},
        {"link", "Type=Link\nName=Site\nURL=https://example.org\n", true, nullptr},
        {"no name", "Type=Application\nExec=editor\n", true, nullptr},
        {"no owner", "Type=Application\nName=Editor\n", false, nullptr},
    };
    for (const Row& row : rows) {
        test::TempDir temp;
        const fs::path entry = temp.path() / "share" / "applications" / "app.desktop";
        write(entry, "# comment\n[Desktop Entry]\n" + row.entry + "\n[Desktop Action x]\nName=Other\n");
        write(temp.path() / "bin" / "present-tool", "#!/bin/sh\n");
        fs::permissions(temp.path() / "bin" / "present-tool", fs::perms::owner_all);
        write(temp.path() / "info" / "app.list",
              "/usr\n/usr/bin/app\n" + std::string(row.owned ? entry.string() + "\n" : ""));
        ProgramSources sources;
        sources.dataDirs = {(temp.path() / "share").string()};
        sources.exportDirs = {};
        sources.path = (temp.path() / "bin").string();
        DpkgDesktopIndex dpkg((temp.path() / "info").string());
        const auto programs = listInstalledPrograms(sources, dpkg);
        if (!row.listedAs) {
            EXPECT_TRUE(programs.empty()) << row.what << "\n" << describe(programs);
            continue;
        }
        ASSERT_EQ(programs.size(), 1u) << row.what;
        EXPECT_EQ(programs[0].name, row.listedAs) << row.what;
        EXPECT_EQ(programs[0].uninstallCommand, "apt-get remove app") << row.what;
    }
}

// The folders together: the user's copy of an id hides the system's, subfolders give
// dashed ids, flatpak and snap exports name their owners, an odd dpkg list is ignored.
TEST(InstalledPrograms, FoldersAndOwners) {
    const fs::path apps = test::dataDir() / "linux" / "apps";
    const fs::path usr = apps / "usr" / "share" / "applications";
    test::TempDir info;
    write(info.path() / "texteditor.list", "/usr/bin/editor\n" + (usr / "editor.desktop").string() + "\n");
    // A long list, the entry's line across the end of the first 64 KiB read.
    std::string filler;
    while (filler.size() < 65536 - 5) filler += "/usr/share/doc/image-viewer/" + std::to_string(filler.size()) + "\n";
    filler.resize(65536 - 5);
    filler.back() = '\n';
    write(info.path() / "image-viewer.list", filler + (usr / "viewer.desktop").string() + "\n");
    write(info.path() / "konsole:amd64.list",
          (usr / "kde" / "konsole.desktop").string());  // no final line end
    write(info.path() / "settingsd.list", (usr / "settingsd.desktop").string() + "\n");
    write(info.path() / "Bad Name.list", (apps / "home" / "applications" / "mine.desktop").string() + "\n");
    write(info.path() / "texteditor.md5sums",
          (apps / "home" / "applications" / "mine.desktop").string() + "\n");

    ProgramSources sources;
    sources.dataHome = (apps / "home").string();
    sources.dataDirs = {(apps / "usr" / "share").string() + "/", (apps / "usr" / "share").string()};
    sources.exportDirs = {(apps / "flatpak" / "exports" / "share").string(),
                          (apps / "snapd" / "desktop").string()};
    DpkgDesktopIndex dpkg(info.str());
    const auto programs = listInstalledPrograms(sources, dpkg);
    EXPECT_EQ(describe(programs),
              "kde-konsole.desktop | Konsole | apt-get remove konsole:amd64\n"
              "viewer.desktop | Visualizador de Imagens | apt-get remove image-viewer\n"
              "org.example.Paint.desktop | Paint | flatpak uninstall org.example.Paint\n"
              "hello_beta_hello.desktop | Hello Beta | snap remove hello_beta\n"
              "hello_hello.desktop | Hello | snap remove hello\n");
    listInstalledPrograms(sources, dpkg);
    EXPECT_EQ(dpkg.builds(), 1u) << "the dpkg lists are read once while the folder is unchanged";
}

// A gathered list is kept only while nothing that could add or remove a program changed.
TEST(InstalledPrograms, TheSnapshotOfAGatheringSeesChangesThatAddOrRemovePrograms) {
    struct Row {
        const char* what;
        std::function<void(const fs::path& root, ProgramSources&)> change;
        bool unchanged;
        bool settled = true;  // the folders last changed long before the gathering
    };
    const auto nothing = [](const fs::path&, ProgramSources&) {};
    const Row rows[] = {
        {"nothing", nothing, true},
        {"folders changed just before", nothing, false, false},
        {"a file beside the folders", [](auto& root, auto&) { write(root / "share" / "notes.txt", "x"); }, true},
        {"an entry added", [](auto& root, auto&) { write(root / "share/applications/new.desktop", "x"); }, false},
        {"an entry removed", [](auto& root, auto&) { fs::remove(root / "share/applications/app.desktop"); }, false},
        {"an entry added below", [](auto& root, auto&) { write(root / "share/applications/sub/b.desktop", "x"); },
         false},
        {"the user's folder made", [](auto& root, auto&) { fs::create_directories(root / "home/applications"); },
         false},
        {"a package installed", [](auto& root, auto&) { write(root / "info/new.list", "/x\n"); }, false},
        {"another locale", [](auto&, ProgramSources& s) { s.locale = "de"; }, false},
        {"another PATH", [](auto&, ProgramSources& s) { s.path += ":/opt/bin"; }, false},
    };
    for (const Row& row : rows) {
        test::TempDir temp;
        const fs::path& root = temp.path();
        const std::string entry = "[Desktop Entry]\nType=Application\nName=App\n";
        write(root / "share/applications/app.desktop", entry);
        write(root / "share/applications/sub/a.desktop", entry);
        write(root / "info/app.list", (root / "share/applications/app.desktop").string() + "\n");
        if (row.settled)
            for (const char* folder : {"share/applications", "share/applications/sub", "info"})
                fs::last_write_time(root / folder, fs::file_time_type::clock::now() - std::chrono::minutes(1));
        ProgramSources sources;
        sources.dataHome = (root / "home").string();
        sources.dataDirs = {(root / "share").string()};
        sources.exportDirs = {};
        sources.dpkgInfoDir = (root / "info").string();
        DpkgDesktopIndex dpkg(sources.dpkgInfoDir);
        ProgramSourcesSnapshot snapshot;
        int found = 0;
        forEachInstalledProgram(sources, dpkg, [&](InstalledProgram&&) { ++found; }, &snapshot);
        EXPECT_EQ(found, 1) << row.what;
        row.change(root, sources);
        EXPECT_EQ(snapshot.unchanged(sources), row.unchanged) << row.what;
    }
    EXPECT_FALSE(ProgramSourcesSnapshot().unchanged(ProgramSources{})) << "nothing gathered yet";
}

TEST(InstalledPrograms, RemoveCommandsOnlyForValidNames) {
    EXPECT_EQ(debianRemoveCommand("libreoffice-writer"), "apt-get remove libreoffice-writer");
    EXPECT_EQ(debianRemoveCommand("g++-12:amd64"), "apt-get remove g++-12:amd64");
    EXPECT_EQ(flatpakRemoveCommand("org.gimp.GIMP"), "flatpak uninstall org.gimp.GIMP");
    EXPECT_EQ(snapRemoveCommand("firefox_esr"), "snap remove firefox_esr");
    for (const char* bad : {"", "a", "Vim", "vim; rm -rf ~", "vim\nx", "-y", "vim:", "vim:AMD64"})
        EXPECT_FALSE(debianRemoveCommand(bad)) << bad;
    for (const char* bad : {"", "gimp", "org..gimp", "org.gimp.", ".org", "org.gimp GIMP", "org/gimp"})
        EXPECT_FALSE(flatpakRemoveCommand(bad)) << bad;
    for (const char* bad : {"", "Firefox", "fire fox", "firefox_", "firefox_ESR", "a_b_c"})
        EXPECT_FALSE(snapRemoveCommand(bad)) << bad;
}

// This machine's own applications and dpkg database: whatever is listed has a desktop entry
// that a menu shows under that name, and a package that really owns it.
TEST(InstalledPrograms, ThisMachine) {
    const ProgramSources sources = ProgramSources::fromProcess();
    DpkgDesktopIndex dpkg(sources.dpkgInfoDir);
    const auto programs = listInstalledPrograms(sources, dpkg);
    if (programs.empty()) GTEST_SKIP() << "no packaged desktop applications on this machine";
    for (const InstalledProgram& p : programs) {
        std::ifstream in(p.desktopFile, std::ios::binary);
        ASSERT_TRUE(in) << p.desktopFile;
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto entry = parseDesktopEntry(text);
        ASSERT_TRUE(entry) << p.desktopFile;
        EXPECT_EQ(entry->name, p.name);
        EXPECT_TRUE(shownInMenus(*entry, [&](const std::string& program) {
            return program.front() == '/' ? ::access(program.c_str(), X_OK) == 0
                                          : programInPath(program, sources.path);
        })) << p.desktopFile;
        const std::string apt = "apt-get remove ";
        if (!p.uninstallCommand.starts_with(apt)) {
            EXPECT_TRUE(p.uninstallCommand.starts_with("flatpak uninstall ") ||
                        p.uninstallCommand.starts_with("snap remove "))
                << p.uninstallCommand;
            continue;
        }
        std::ifstream list(sources.dpkgInfoDir + "/" + p.uninstallCommand.substr(apt.size()) + ".list");
        ASSERT_TRUE(list) << p.uninstallCommand;
        char real[PATH_MAX];
        ASSERT_NE(::realpath(p.desktopFile.c_str(), real), nullptr);
        bool owns = false;
        for (std::string line; std::getline(list, line);)
            owns = owns || line == p.desktopFile || line == real;
        EXPECT_TRUE(owns) << p.uninstallCommand << " does not list " << p.desktopFile;
    }
}

const std::string kUninstall = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A registry over `live` whose store holds the keys of `regLines` (a .reg file's body).
std::unique_ptr<Registry> registryWith(std::shared_ptr<registry::LiveKeys> live, const std::string& regLines) {
    auto store = registry::RegistryStore::openInMemory();
    const auto imported = registry::importRegFile(*store, "REGEDIT4\r\n\r\n" + regLines);
    EXPECT_TRUE(imported.ok) << imported.error.message;
    return registry::makeStoreRegistry(store, std::move(live));
}

// Through the registry: live subkeys beside the user's own, a stored value over a live one,
// and one gathering for a dialog's many reads.
TEST(UninstallKey, LiveSubkeysMergeWithTheStore) {
    int gathered = 0;
    auto live = std::make_shared<UninstallLiveKeys>([&] {
        ++gathered;
        return std::vector<InstalledProgram>{
            {"vim.desktop", "Vim", "apt-get remove vim", "/x"},
            {"VIM.desktop", "Twin", "apt-get remove twin", "/y"},
            {"bad\\id.desktop", "Bad", "apt-get remove bad", "/z"},
            {"viewer.desktop", "Visualizador de Imagens", "apt-get remove iv", "/v"}};
    });
    auto reg = registryWith(live, "[" + kUninstall + "Meu]\r\n"
                                  "\"DisplayName\"=\"Meu programa\"\r\n\"UninstallString\"=\"C:\\\\MEU\\\\UNINST.EXE\"\r\n\r\n"
                                  "[" + kUninstall + "vim.desktop]\r\n\"DisplayName\"=\"Vi IMproved\"\r\n");

    HKey key = 0;
    ASSERT_EQ(reg->openKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall",
                           KEY_READ, key),
              0);
    std::vector<std::string> shown;
    for (std::uint32_t i = 0;; ++i) {
        std::string name;
        if (reg->enumKey(key, i, name) != 0) break;
        HKey sub = 0;
        ASSERT_EQ(reg->openKey(key, name, KEY_READ, sub), 0) << name;
        for (const char* value : {"DisplayName", "UninstallString"}) {
            RegValue v;
            std::uint32_t required = 0;
            ASSERT_EQ(reg->queryValue(sub, value, 1024, v, required), 0) << name << " " << value;
            name += " | " + v.data.substr(0, v.data.find('\0'));
        }
        reg->closeKey(sub);
        shown.push_back(name);
    }
    reg->closeKey(key);
    EXPECT_EQ(shown, (std::vector<std::string>{"Meu | Meu programa | C:\\MEU\\UNINST.EXE",
                                               "viewer.desktop | Visualizador de Imagens | apt-get remove iv",
                                               "vim.desktop | Vi IMproved | apt-get remove vim"}));
    EXPECT_EQ(gathered, 1);
}

// The one-call read of the Uninstall key gives what opening and reading each subkey gives:
// stored keys, stored values over live ones, values of any type, live keys of a union, and
// hundreds of live keys with a stored one among them.
TEST(UninstallKey, OneCallReadsWhatHandlesRead) {
    auto programs = std::make_shared<UninstallLiveKeys>([] {
        std::vector<InstalledProgram> list{{"vim.desktop", "Vim", "apt-get remove vim", "/x"},
                                           {"odd.desktop", "Odd", "apt-get remove odd", "/o"},
                                           {"gimp.desktop", "GIMP", "apt-get remove gimp", "/g"}};
        for (int i = 100; i < 700; ++i)
            list.push_back({"p" + std::to_string(i) + ".desktop", "P", "apt-get remove p", "/p"});
        return list;
    });
    auto live = std::make_shared<LiveKeyUnion>(
        std::vector<std::shared_ptr<registry::LiveKeys>>{std::make_shared<registry::LiveKeyTable>(), programs});
    auto reg = registryWith(live, "[" + kUninstall + "Meu]\r\n\"DisplayName\"=\"Meu programa\"\r\n\r\n"
                                  "[" + kUninstall + "VIM.desktop]\r\n\"DisplayName\"=\"Vi IMproved\"\r\n\r\n"
                                  "[" + kUninstall + "odd.desktop]\r\n\"UninstallString\"=dword:00000007\r\n\r\n"
                                  "[" + kUninstall + "p400.desktop]\r\n\"Other\"=\"x\"\r\n");
    const std::vector<std::string> names = {"DisplayName", "UninstallString", "Other"};
    std::string byHandles, inOneCall;
    const auto into = [&names](std::string& out) {
        return [&names, &out](const std::string& subKey, std::optional<RegValue>* values) {
            out += subKey;
            for (std::size_t v = 0; v < names.size(); ++v)
                out += values[v] ? " | " + std::to_string(values[v]->type) + ":" + values[v]->data : std::string(" | -");
            out += "\n";
        };
    };
    ASSERT_EQ(reg->Registry::subKeyValues(HKEY_LOCAL_MACHINE, kUninstallKeyPath, names, into(byHandles)), 0);
    ASSERT_EQ(reg->subKeyValues(HKEY_LOCAL_MACHINE, kUninstallKeyPath, names, into(inOneCall)), 0);
    EXPECT_EQ(inOneCall, byHandles);
    EXPECT_EQ(std::count(byHandles.begin(), byHandles.end(), '\n'), 604) << byHandles;
    EXPECT_NE(byHandles.find("p400.desktop | 1:P\0 | 1:apt-get remove p\0 | 1:x"), std::string::npos);
    EXPECT_EQ(reg->openHandleCount(), 0u);
}

// A gathering slower than the list's lifetime still serves all the reads that follow it
// closely (a dialog filling its list) instead of gathering again for each.
TEST(UninstallKey, ASlowGatheringServesTheReadsThatFollow) {
    std::chrono::steady_clock::time_point now{};
    int gathered = 0;
    UninstallLiveKeys live(
        [&] {
            ++gathered;
            now += std::chrono::seconds(3);
            std::vector<InstalledProgram> list;
            for (int i = 0; i < 10; ++i)
                list.push_back({"p" + std::to_string(i) + ".desktop", "P", "apt-get remove p", "/p"});
            return list;
        },
        std::chrono::seconds(2), [&] { return now; });
    const std::string key = std::string(kUninstallKeyPath) + "\\p";
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(live.value(HKEY_LOCAL_MACHINE, key + std::to_string(i) + ".desktop", "DisplayName"));
    EXPECT_EQ(gathered, 1);
    now += std::chrono::milliseconds(2001);
    live.keyExists(HKEY_LOCAL_MACHINE, key + "0.desktop");
    EXPECT_EQ(gathered, 2);
}

// Past its lifetime the list is asked whether it changed, and gathered again only then.
TEST(UninstallKey, PastItsLifetimeTheListIsGatheredAgainOnlyWhenChanged) {
    std::chrono::steady_clock::time_point now{};
    int gathered = 0;
    bool changed = false;
    UninstallLiveKeys live(
        UninstallLiveKeys::Streamer([&](const std::function<void(InstalledProgram&&)>& take) {
            ++gathered;
            take({"p.desktop", "P", "apt-get remove p", "/p"});
        }),
        UninstallLiveKeys::Unchanged([&] { return !changed; }), std::chrono::seconds(2), [&] { return now; });
    const std::string key = std::string(kUninstallKeyPath) + "\\p.desktop";
    for (const bool change : {false, false, true, false}) {
        changed = change;
        now += std::chrono::seconds(3);
        EXPECT_TRUE(live.value(HKEY_LOCAL_MACHINE, key, "DisplayName"));
    }
    EXPECT_EQ(gathered, 2);  // the first read and the one after the change
}

}  // namespace
}  // namespace vintrel::platform::linux_host
