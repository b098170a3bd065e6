#include "platform/linux/desktop_env.h"

#include <algorithm>

#include "platform/linux/command_words.h"
#include "text/cp1252.h"
#include "text/lines.h"

namespace vintrel::platform::linux_host {
namespace {

using Argv = std::vector<std::string>;
using Candidates = std::vector<Argv>;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view trim(std::string_view s) {
    return text::trim(s, " \t");
}

std::string_view unquote(std::string_view s) {
    s = trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = trim(s.substr(1, s.size() - 2));
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && lower(s.substr(0, prefix.size())) == prefix;
}

std::string_view baseName(std::string_view path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view extension(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

bool isAbsoluteDos(std::string_view p) {
    return (p.size() >= 2 && p[1] == ':') || p.starts_with("\\");
}

// The first candidate whose program is installed; the desktop's own list comes first.
std::optional<Argv> firstInstalled(const Candidates& own, const Candidates& generic,
                                   const LaunchContext& ctx) {
    for (const Candidates* list : {&own, &generic})
        for (const auto& argv : *list)
            if (!argv.empty() && ctx.programExists && ctx.programExists(argv[0])) return argv;
    return std::nullopt;
}

// ------------------------------------------------------------------ the desktops' tools

std::string gnomeAboutPanel(const LaunchContext& ctx) {
    // The panel was renamed across releases; its desktop entry tells which one is installed.
    if (ctx.hasDesktopEntry) {
        if (ctx.hasDesktopEntry("gnome-info-overview-panel.desktop")) return "info-overview";
        if (ctx.hasDesktopEntry("gnome-about-panel.desktop")) return "about";
        if (ctx.hasDesktopEntry("gnome-system-panel.desktop")) return "system";
    }
    return "info-overview";
}

// One row per desktop: the programs it offers for each request, preferred first.
struct DesktopTools {
    Desktop desktop;
    Candidates display;      // display settings (desk.cpl)
    Candidates information;  // system information (sysdm.cpl)
    bool informationPanel;   // the installed about panel's name ends each information command
    Candidates startup;      // startup applications (msconfig)
    Candidates settings;     // the settings application (control)
    Candidates editors;      // text editors (notepad, sysedit)
};

// In this order the desktops' programs are tried when the running desktop has none.
const DesktopTools kDesktops[] = {
    {Desktop::Gnome,
     {{"gnome-control-center", "display"}},
     {{"gnome-control-center"}},
     true,
     {{"gnome-session-properties"}, {"gnome-tweaks"}},
     {{"gnome-control-center"}},
     {{"gnome-text-editor"}, {"gedit"}}},
    {Desktop::Kde,
     {{"kcmshell6", "kcm_kscreen"}, {"kcmshell5", "kcm_kscreen"}, {"systemsettings", "kcm_kscreen"}},
     {{"kinfocenter"}, {"kcmshell6", "kcm_about-distro"}, {"kcmshell5", "kcm_about-distro"}},
     false,
     {{"kcmshell6", "kcm_autostart"}, {"kcmshell5", "kcm_autostart"}, {"systemsettings", "kcm_autostart"}},
     {{"systemsettings"}, {"systemsettings5"}},
     {{"kate"}, {"kwrite"}}},
    {Desktop::Xfce,
     {{"xfce4-display-settings"}},
     {{"xfce4-about"}},
     false,
     {{"xfce4-session-settings"}},
     {{"xfce4-settings-manager"}},
     {{"mousepad"}}},
    {Desktop::Cinnamon,
     {{"cinnamon-settings", "display"}},
     {{"cinnamon-settings", "info"}},
     false,
     {{"cinnamon-settings", "startup"}},
     {{"cinnamon-settings"}},
     {{"xed"}}},
    {Desktop::Mate,
     {{"mate-display-properties"}},
     {{"mate-system-monitor"}},
     false,
     {{"mate-session-properties"}},
     {{"mate-control-center"}},
     {{"pluma"}}},
    {Desktop::Lxqt,
     {{"lxqt-config-monitor"}},
     {},
     false,
     {{"lxqt-config-session"}},
     {{"lxqt-config"}},
     {{"featherpad"}}},
    {Desktop::Budgie,
     {{"budgie-control-center", "display"}},
     {{"budgie-control-center", "info-overview"}},
     false,
     {{"gnome-session-properties"}},
     {{"budgie-control-center"}},
     {{"gnome-text-editor"}, {"gedit"}}},
};

const DesktopTools* toolsOf(Desktop d) {
    for (const auto& row : kDesktops)
        if (row.desktop == d) return &row;
    return nullptr;  // Desktop::Unknown
}

Candidates displaySettings(Desktop d) {
    const DesktopTools* t = toolsOf(d);
    return t ? t->display : Candidates{};
}

Candidates systemInformation(Desktop d, const LaunchContext& ctx) {
    const DesktopTools* t = toolsOf(d);
    if (!t) return {};
    Candidates out = t->information;
    if (t->informationPanel)
        for (auto& argv : out) argv.push_back(gnomeAboutPanel(ctx));
    return out;
}

Candidates startupApplications(Desktop d) {
    const DesktopTools* t = toolsOf(d);
    return t ? t->startup : Candidates{};
}

Candidates settingsApplication(Desktop d) {
    const DesktopTools* t = toolsOf(d);
    return t ? t->settings : Candidates{};
}

Candidates textEditors(Desktop d) {
    const DesktopTools* t = toolsOf(d);
    return t ? t->editors : Candidates{};
}

template <class F>
Candidates everyDesktop(F perDesktop) {
    Candidates out;
    for (const auto& row : kDesktops)
        for (auto& argv : perDesktop(row.desktop))
            if (std::find(out.begin(), out.end(), argv) == out.end()) out.push_back(argv);
    return out;
}

// ------------------------------------------------------------------ requests

std::optional<Argv> withFiles(std::optional<Argv> argv, const std::vector<std::string>& files) {
    if (argv) argv->insert(argv->end(), files.begin(), files.end());
    return argv;
}

std::optional<Argv> override(std::string_view name, const LaunchContext& ctx) {
    if (!ctx.appPath || name.empty()) return std::nullopt;
    auto command = ctx.appPath(name);
    if (!command && extension(name).empty()) command = ctx.appPath(std::string(name) + ".exe");
    if (!command) return std::nullopt;
    return splitCommand(*command);  // an unusable command falls back to the built-in choice
}

// A file named in the parameters as a full DOS path, relative names taken from `directory`.
std::string dosFile(std::string_view name, std::string_view directory) {
    name = unquote(name);
    directory = unquote(directory);
    if (name.empty() || isAbsoluteDos(name) || directory.empty()) return std::string(name);
    std::string full(directory);
    if (!full.ends_with('\\')) full += '\\';
    full += name;
    return full;
}

std::string hostFile(const std::string& dos, const LaunchContext& ctx) {
    return dos.empty() || !ctx.hostPath ? std::string() : ctx.hostPath(dos);
}

// Text editors that can be told the encoding of the files they open, by desktop entry.
struct EncodingEditor {
    const char* desktopEntry;
    const char* program;
    const char* option;
};
constexpr EncodingEditor kEncodingEditors[] = {
    {"org.gnome.gedit.desktop", "gedit", "--encoding=WINDOWS-1252"},
    {"gedit.desktop", "gedit", "--encoding=WINDOWS-1252"},
    {"pluma.desktop", "pluma", "--encoding=WINDOWS-1252"},
    {"xed.desktop", "xed", "--encoding=WINDOWS-1252"},
    {"org.xfce.mousepad.desktop", "mousepad", "--encoding=WINDOWS-1252"},
    {"mousepad.desktop", "mousepad", "--encoding=WINDOWS-1252"},
    {"org.kde.kate.desktop", "kate", "--encoding=windows-1252"},
    {"org.kde.kwrite.desktop", "kwrite", "--encoding=windows-1252"},
};

// The texts of the system are Windows-1252: an editor that can be told so reads them right.
Argv withEncoding(Argv argv) {
    for (const auto& e : kEncodingEditors)
        if (!argv.empty() && argv.front() == e.program) {
            argv.insert(argv.begin() + 1, e.option);
            break;
        }
    return argv;
}

std::optional<Argv> chosenTextEditor(const LaunchContext& ctx) {
    if (!ctx.defaultApplication || !ctx.programExists) return std::nullopt;
    const auto chosen = ctx.defaultApplication("text/plain");
    if (!chosen) return std::nullopt;
    for (const auto& e : kEncodingEditors)
        if (*chosen == e.desktopEntry && ctx.programExists(e.program)) return Argv{e.program, e.option};
    return std::nullopt;
}

std::optional<Argv> editor(Desktop d, const std::vector<std::string>& files, const LaunchContext& ctx) {
    if (auto argv = firstInstalled(textEditors(d), everyDesktop(textEditors), ctx))
        return withFiles(withEncoding(*argv), files);
    if (!files.empty() && ctx.programExists && ctx.programExists("xdg-open"))
        return Argv{"xdg-open", files.front()};
    return std::nullopt;
}

std::optional<Argv> notepad(const ShellRequest& r, const LaunchContext& ctx) {
    const std::string dos = dosFile(r.parameters, r.directory);
    std::vector<std::string> files;
    if (std::string host = hostFile(dos, ctx); !host.empty()) files.push_back(std::move(host));
    if (auto own = override("notepad.exe", ctx)) return withFiles(own, files);
    const bool exists = !files.empty() && ctx.fileExists && ctx.fileExists(dos);
    if (exists && lower(extension(dos)) == ".txt") {
        if (auto chosen = chosenTextEditor(ctx)) return withFiles(chosen, files);
        if (ctx.programExists && ctx.programExists("xdg-open")) return Argv{"xdg-open", files.front()};
    }
    return editor(ctx.desktop, files, ctx);
}

std::optional<Argv> sysedit(const LaunchContext& ctx) {
    std::vector<std::string> files;
    for (const char* dos :
         {"C:\\AUTOEXEC.BAT", "C:\\CONFIG.SYS", "C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\SYSTEM.INI"}) {
        if (!ctx.fileExists || !ctx.fileExists(dos) || !ctx.hostPath) continue;
        if (std::string host = ctx.hostPath(dos); !host.empty()) files.push_back(std::move(host));
    }
    if (auto own = override("sysedit.exe", ctx)) return withFiles(own, files);
    return editor(ctx.desktop, files, ctx);
}

std::optional<Argv> controlPanel(const ShellRequest& r, const LaunchContext& ctx) {
    std::string_view params = unquote(r.parameters);
    const auto end = params.find_first_of(", ");
    const std::string applet = lower(unquote(params.substr(0, end)));
    if (!applet.empty())
        if (auto own = override(unquote(params.substr(0, end)), ctx)) return own;
    if (applet.empty()) {
        if (auto own = override("control.exe", ctx)) return own;
        return firstInstalled(settingsApplication(ctx.desktop), everyDesktop(settingsApplication), ctx);
    }
    if (applet == "desk.cpl") {
        Candidates generic = everyDesktop(displaySettings);
        generic.push_back({"arandr"});
        generic.push_back({"wdisplays"});
        return firstInstalled(displaySettings(ctx.desktop), generic, ctx);
    }
    if (applet == "sysdm.cpl") {
        Candidates generic = everyDesktop([&](Desktop d) { return systemInformation(d, ctx); });
        generic.push_back({"hardinfo2"});
        generic.push_back({"hardinfo"});
        return firstInstalled(systemInformation(ctx.desktop, ctx), generic, ctx);
    }
    return std::nullopt;
}

std::optional<Argv> address(std::string_view url, const LaunchContext& ctx) {
    const std::string u = text::cp1252ToUtf8(url);
    if (startsWithNoCase(url, "mailto:")) return firstInstalled({{"xdg-email", u}, {"xdg-open", u}}, {}, ctx);
    return firstInstalled({{"xdg-open", u}, {"sensible-browser", u}, {"x-www-browser", u}}, {}, ctx);
}

bool isProgramExtension(std::string_view ext) {
    const std::string e = lower(ext);
    return e == ".exe" || e == ".com" || e == ".bat" || e == ".cmd" || e == ".pif" || e == ".scr" ||
           e.empty();
}

}  // namespace

Desktop detectDesktop(std::string_view currentDesktop, std::string_view desktopSession) {
    auto classify = [](std::string_view word) -> Desktop {
        const std::string w = lower(trim(word));
        if (w == "gnome" || w == "gnome-classic" || w == "gnome-flashback" || w == "unity" ||
            w == "pantheon" || w == "ubuntu" || w == "pop" || w == "cosmic")
            return Desktop::Gnome;
        if (w == "kde" || w == "plasma" || w == "plasmawayland" || w == "plasmax11") return Desktop::Kde;
        if (w == "xfce" || w == "xfce4" || w == "xubuntu") return Desktop::Xfce;
        if (w == "x-cinnamon" || w == "cinnamon") return Desktop::Cinnamon;
        if (w == "mate") return Desktop::Mate;
        if (w == "lxqt" || w == "lubuntu") return Desktop::Lxqt;
        if (w == "budgie" || w == "budgie-desktop") return Desktop::Budgie;
        return Desktop::Unknown;
    };
    // "ubuntu:GNOME": the most specific desktop that is known wins, in list order, except
    // that a vendor tag ("ubuntu") gives way to a real desktop later in the list.
    Desktop found = Desktop::Unknown;
    std::size_t pos = 0;
    while (pos <= currentDesktop.size()) {
        const auto colon = currentDesktop.find(':', pos);
        const auto word = currentDesktop.substr(
            pos, colon == std::string_view::npos ? std::string_view::npos : colon - pos);
        const Desktop d = classify(word);
        const bool vendorTag = lower(trim(word)) == "ubuntu" || lower(trim(word)) == "pop";
        if (d != Desktop::Unknown && (found == Desktop::Unknown || !vendorTag)) {
            found = d;
            if (!vendorTag) return found;
        }
        if (colon == std::string_view::npos) break;
        pos = colon + 1;
    }
    if (found != Desktop::Unknown) return found;
    return classify(desktopSession);
}

std::optional<std::vector<std::string>> launchCommand(const ShellRequest& request, const LaunchContext& ctx) {
    const std::string_view file = unquote(request.file);
    if (file.empty()) return std::nullopt;
    if (startsWithNoCase(file, "http:") || startsWithNoCase(file, "https:") ||
        startsWithNoCase(file, "ftp:") || startsWithNoCase(file, "mailto:"))
        return address(file, ctx);

    const std::string_view base = baseName(file);
    std::string program = lower(base);
    if (extension(program).empty()) program += ".exe";
    if (program == "control.exe") return controlPanel(request, ctx);
    if (program == "notepad.exe") return notepad(request, ctx);
    if (program == "sysedit.exe") return sysedit(ctx);
    if (program == "msconfig.exe") {
        if (auto own = override(base, ctx)) return own;
        return firstInstalled(startupApplications(ctx.desktop), everyDesktop(startupApplications), ctx);
    }
    if (isProgramExtension(extension(base))) {
        // A program of its own: only an App Paths command can stand for it.
        auto own = override(base, ctx);
        if (!own) return std::nullopt;
        {
            for (auto& p : splitWindowsParameters(request.parameters)) {
                if (isAbsoluteDos(p)) {
                    if (std::string host = ctx.hostPath ? ctx.hostPath(p) : std::string(); !host.empty())
                        p = host;
                } else {
                    p = text::cp1252ToUtf8(p);
                }
                own->push_back(std::move(p));
            }
        }
        return own;
    }
    // A document: open it with the application the desktop associates with it.
    const std::string dos = dosFile(file, request.directory);
    if (!ctx.fileExists || !ctx.fileExists(dos)) return std::nullopt;
    const std::string host = hostFile(dos, ctx);
    if (host.empty()) return std::nullopt;
    return firstInstalled({{"xdg-open", host}}, {}, ctx);
}

}  // namespace vintrel::platform::linux_host
