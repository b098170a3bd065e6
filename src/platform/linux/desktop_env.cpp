#include "platform/linux/desktop_env.h"

#include <algorithm>

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

const Candidates kKdeDisplay = {
    {"kcmshell6", "kcm_kscreen"}, {"kcmshell5", "kcm_kscreen"}, {"systemsettings", "kcm_kscreen"}};
const Candidates kKdeAbout = {
    {"kinfocenter"}, {"kcmshell6", "kcm_about-distro"}, {"kcmshell5", "kcm_about-distro"}};
const Candidates kKdeAutostart = {
    {"kcmshell6", "kcm_autostart"}, {"kcmshell5", "kcm_autostart"}, {"systemsettings", "kcm_autostart"}};

std::string gnomeAboutPanel(const LaunchContext& ctx) {
    // The panel was renamed across releases; its desktop entry tells which one is installed.
    if (ctx.hasDesktopEntry) {
        if (ctx.hasDesktopEntry("gnome-info-overview-panel.desktop")) return "info-overview";
        if (ctx.hasDesktopEntry("gnome-about-panel.desktop")) return "about";
        if (ctx.hasDesktopEntry("gnome-system-panel.desktop")) return "system";
    }
    return "info-overview";
}

Candidates displaySettings(Desktop d) {
    switch (d) {
        case Desktop::Gnome:
            return {{"gnome-control-center", "display"}};
        case Desktop::Kde:
            return kKdeDisplay;
        case Desktop::Xfce:
            return {{"xfce4-display-settings"}};
        case Desktop::Cinnamon:
            return {{"cinnamon-settings", "display"}};
        case Desktop::Mate:
            return {{"mate-display-properties"}};
        case Desktop::Lxqt:
            return {{"lxqt-config-monitor"}};
        case Desktop::Budgie:
            return {{"budgie-control-center", "display"}};
        case Desktop::Unknown:
            break;
    }
    return {};
}

Candidates systemInformation(Desktop d, const LaunchContext& ctx) {
    switch (d) {
        case Desktop::Gnome:
            return {{"gnome-control-center", gnomeAboutPanel(ctx)}};
        case Desktop::Kde:
            return kKdeAbout;
        case Desktop::Xfce:
            return {{"xfce4-about"}};
        case Desktop::Cinnamon:
            return {{"cinnamon-settings", "info"}};
        case Desktop::Mate:
            return {{"mate-system-monitor"}};
        case Desktop::Budgie:
            return {{"budgie-control-center", "info-overview"}};
        case Desktop::Lxqt:
        case Desktop::Unknown:
            break;
    }
    return {};
}

Candidates startupApplications(Desktop d) {
    switch (d) {
        case Desktop::Gnome:
            return {{"gnome-session-properties"}, {"gnome-tweaks"}};
        case Desktop::Kde:
            return kKdeAutostart;
        case Desktop::Xfce:
            return {{"xfce4-session-settings"}};
        case Desktop::Cinnamon:
            return {{"cinnamon-settings", "startup"}};
        case Desktop::Mate:
            return {{"mate-session-properties"}};
        case Desktop::Lxqt:
            return {{"lxqt-config-session"}};
        case Desktop::Budgie:
            return {{"gnome-session-properties"}};
        case Desktop::Unknown:
            break;
    }
    return {};
}

Candidates settingsApplication(Desktop d) {
    switch (d) {
        case Desktop::Gnome:
            return {{"gnome-control-center"}};
        case Desktop::Kde:
            return {{"systemsettings"}, {"systemsettings5"}};
        case Desktop::Xfce:
            return {{"xfce4-settings-manager"}};
        case Desktop::Cinnamon:
            return {{"cinnamon-settings"}};
        case Desktop::Mate:
            return {{"mate-control-center"}};
        case Desktop::Lxqt:
            return {{"lxqt-config"}};
        case Desktop::Budgie:
            return {{"budgie-control-center"}};
        case Desktop::Unknown:
            break;
    }
    return {};
}

Candidates textEditors(Desktop d) {
    switch (d) {
        case Desktop::Gnome:
        case Desktop::Budgie:
            return {{"gnome-text-editor"}, {"gedit"}};
        case Desktop::Kde:
            return {{"kate"}, {"kwrite"}};
        case Desktop::Xfce:
            return {{"mousepad"}};
        case Desktop::Cinnamon:
            return {{"xed"}};
        case Desktop::Mate:
            return {{"pluma"}};
        case Desktop::Lxqt:
            return {{"featherpad"}};
        case Desktop::Unknown:
            break;
    }
    return {};
}

constexpr Desktop kAllDesktops[] = {Desktop::Gnome, Desktop::Kde,  Desktop::Xfce,  Desktop::Cinnamon,
                                    Desktop::Mate,  Desktop::Lxqt, Desktop::Budgie};

template <class F>
Candidates everyDesktop(F perDesktop) {
    Candidates out;
    for (Desktop d : kAllDesktops)
        for (auto& argv : perDesktop(d))
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

std::optional<Argv> editor(Desktop d, const std::vector<std::string>& files, const LaunchContext& ctx) {
    if (auto argv = firstInstalled(textEditors(d), everyDesktop(textEditors), ctx))
        return withFiles(argv, files);
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
    if (exists && lower(extension(dos)) == ".txt" && ctx.programExists && ctx.programExists("xdg-open"))
        return Argv{"xdg-open", files.front()};
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

// Parameters as a Windows program receives them: blanks separate, double quotes group,
// backslashes are path separators, not escapes.
std::vector<std::string> splitWindowsParameters(std::string_view params) {
    std::vector<std::string> out;
    std::string word;
    bool quoted = false, inWord = false;
    for (char c : params) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) out.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) out.push_back(std::move(word));
    return out;
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

std::optional<std::vector<std::string>> splitCommand(std::string_view command) {
    std::vector<std::string> out;
    std::string word;
    bool inWord = false;
    std::size_t i = 0;
    while (i < command.size()) {
        const char c = command[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) out.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++i;
        } else if (c == '\'') {
            const auto close = command.find('\'', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            word.append(command.substr(i + 1, close - i - 1));
            inWord = true;
            i = close + 1;
        } else if (c == '"') {
            ++i;
            inWord = true;
            for (;;) {
                if (i >= command.size()) return std::nullopt;
                const char d = command[i];
                if (d == '"') {
                    ++i;
                    break;
                }
                if (d == '\\' && i + 1 < command.size() &&
                    (command[i + 1] == '"' || command[i + 1] == '\\' || command[i + 1] == '$' ||
                     command[i + 1] == '`')) {
                    word.push_back(command[i + 1]);
                    i += 2;
                } else {
                    word.push_back(d);
                    ++i;
                }
            }
        } else if (c == '\\') {
            if (i + 1 >= command.size()) return std::nullopt;
            word.push_back(command[i + 1]);
            inWord = true;
            i += 2;
        } else {
            word.push_back(c);
            inWord = true;
            ++i;
        }
    }
    if (inWord) out.push_back(std::move(word));
    if (out.empty()) return std::nullopt;
    return out;
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
