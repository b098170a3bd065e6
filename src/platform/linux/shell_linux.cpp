#include "platform/linux/shell_linux.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/host/durable_write.h"
#include "platform/api/registry_locations.h"
#include "platform/host/whole_file.h"
#include "platform/linux/kde_recent_documents.h"
#include "text/cp1252.h"
#include "text/lines.h"

extern char** environ;

namespace vintrel::platform::linux_host {
namespace {

constexpr std::intptr_t kShellSuccess = 42;
constexpr std::string_view kAppPaths = reg::kAppPathsKey;

constexpr std::string_view kEmptyXbel =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xbel version=\"1.0\"\n"
    "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
    "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"\n"
    ">\n"
    "</xbel>\n";

std::vector<std::string> splitList(std::string_view list) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        const auto colon = list.find(':', pos);
        const auto item =
            list.substr(pos, colon == std::string_view::npos ? std::string_view::npos : colon - pos);
        if (!item.empty()) out.emplace_back(item);
        if (colon == std::string_view::npos) break;
        pos = colon + 1;
    }
    return out;
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string resolveProgram(std::string_view program, std::string_view path) {
    if (program.empty()) return {};
    if (program.find('/') != std::string_view::npos)
        return isExecutableFile(std::string(program)) ? std::string(program) : "";
    for (const auto& dir : splitList(path)) {
        std::string candidate = dir + "/" + std::string(program);
        if (isExecutableFile(candidate)) return candidate;
    }
    return {};
}

// Closes every descriptor from `first` on except `keep`. Runs between fork and exec, so
// only system calls.
void closeDescriptorsFrom(int first, int keep, int limit) {
    bool done = true;
    if (keep > first && ::syscall(SYS_close_range, first, keep - 1, 0) != 0) done = false;
    if (::syscall(SYS_close_range, keep + 1, ~0U, 0) != 0) done = false;
    if (done) return;
    for (int fd = first; fd < limit; ++fd)
        if (fd != keep) ::close(fd);
}

// What the children of a launch need, all prepared before the fork: after it only system
// calls run.
struct Launch {
    std::string exe;
    std::vector<char*> args;
    int fdLimit = 65536;
    int devNull = -1;
    int report[2] = {-1, -1};  // the exec's errno travels back through this pipe
};

// The grandchild: default signals, standard streams on /dev/null, no inherited descriptor but
// the report pipe (close-on-exec), then the program.
[[noreturn]] void execProgram(const Launch& l) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &dfl, nullptr);
    ::sigaction(SIGCHLD, &dfl, nullptr);
    if (l.devNull >= 0) {
        ::dup2(l.devNull, 0);
        ::dup2(l.devNull, 1);
        ::dup2(l.devNull, 2);
    }
    closeDescriptorsFrom(3, l.report[1], l.fdLimit);
    ::execve(l.exe.c_str(), l.args.data(), environ);
    const int error = errno;
    [[maybe_unused]] auto n = ::write(l.report[1], &error, sizeof error);
    ::_exit(127);
}

// The child: a session of its own, whose child runs the program, so nothing is left to reap.
[[noreturn]] void detach(const Launch& l) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0) execProgram(l);
    if (grandchild < 0) {
        const int error = errno;
        [[maybe_unused]] auto n = ::write(l.report[1], &error, sizeof error);
        ::_exit(1);
    }
    ::_exit(0);
}

class ProcessLauncher final : public Launcher {
public:
    bool spawnDetached(const std::vector<std::string>& argv) override {
        if (argv.empty()) return false;
        const char* pathEnv = std::getenv("PATH");
        Launch l;
        l.exe = resolveProgram(argv[0], pathEnv ? pathEnv : "/usr/local/bin:/usr/bin:/bin");
        if (l.exe.empty()) return false;
        for (const auto& a : argv) l.args.push_back(const_cast<char*>(a.c_str()));
        l.args.push_back(nullptr);
        rlimit lim{};
        if (::getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < 65536) l.fdLimit = static_cast<int>(lim.rlim_cur);
        l.devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (::pipe2(l.report, O_CLOEXEC) != 0) {
            if (l.devNull >= 0) ::close(l.devNull);
            return false;
        }
        const pid_t child = ::fork();
        if (child == 0) detach(l);
        ::close(l.report[1]);
        if (l.devNull >= 0) ::close(l.devNull);
        if (child < 0) {
            ::close(l.report[0]);
            return false;
        }
        int error = 0;
        ssize_t n;
        do n = ::read(l.report[0], &error, sizeof error);
        while (n < 0 && errno == EINTR);
        ::close(l.report[0]);
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return n == 0;  // end of file: the program was executed and closed the pipe
    }
};

// HKLM "...\\App Paths\\<name>" default value as UTF-8, when it holds a command.
std::optional<std::string> appPathOf(Registry& registry, std::string_view name) {
    HKey key = 0;
    if (registry.openKey(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + std::string(name), KEY_READ, key) != 0)
        return std::nullopt;
    RegValue value;
    std::uint32_t required = 0;
    const long rc = registry.queryValue(key, "", 2048, value, required);
    registry.closeKey(key);
    if (rc != 0 || (value.type != REG_SZ && value.type != REG_EXPAND_SZ)) return std::nullopt;
    std::string_view data = value.data;
    if (const auto nul = data.find('\0'); nul != std::string_view::npos) data = data.substr(0, nul);
    if (data.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
    return text::cp1252ToUtf8(data);
}

class LinuxShell final : public Shell {
public:
    LinuxShell(Registry& registry, Files& files, Launcher& launcher, ShellEnvironment env,
               std::unique_ptr<Launcher> owned = nullptr)
        : registry_(registry),
          files_(files),
          launcher_(launcher),
          env_(std::move(env)),
          owned_(std::move(owned)) {
        ctx_ = makeLaunchContext(registry_, files_, env_);
    }

    std::intptr_t shellExecute(const ShellRequest& request) override {
        const auto argv = launchCommand(request, ctx_);
        if (!argv) return static_cast<std::intptr_t>(ERROR_FILE_NOT_FOUND);
        return launcher_.spawnDetached(*argv) ? kShellSuccess
                                              : static_cast<std::intptr_t>(ERROR_FILE_NOT_FOUND);
    }

    void clearRecentDocuments() override {
        if (!env_.dataHome.empty()) clearRecentlyUsedFile(env_.dataHome + "/recently-used.xbel");
        clearKdeRecentDocumentsFolder(env_.dataHome);
        clearKdeActivityStatistics();
    }

private:
    Registry& registry_;
    Files& files_;
    Launcher& launcher_;
    ShellEnvironment env_;
    std::unique_ptr<Launcher> owned_;
    LaunchContext ctx_;
};

}  // namespace

std::optional<std::string> defaultApplicationOf(const ShellEnvironment& env, std::string_view mimeType) {
    const auto firstIn = [&](const std::string& file,
                             std::string_view section) -> std::optional<std::string> {
        if (file.empty() || file.front() != '/') return std::nullopt;
        const auto text = host::readSmallFile(file, 1 << 20);
        if (!text) return std::nullopt;
        const auto listed = defaultApplicationsFrom(*text, mimeType, section);
        if (listed.empty()) return std::nullopt;
        return listed.front();
    };
    std::vector<std::string> desktops;  // "ubuntu:GNOME" -> ubuntu, gnome
    for (std::string name : splitList(env.currentDesktop)) {
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!name.empty()) desktops.push_back(std::move(name));
    }
    std::vector<std::string> applicationFolders{env.dataHome + "/applications"};
    for (const auto& d : env.dataDirs) applicationFolders.push_back(d + "/applications");
    std::vector<std::string> listFolders{env.configHome};
    listFolders.insert(listFolders.end(), env.configDirs.begin(), env.configDirs.end());
    listFolders.insert(listFolders.end(), applicationFolders.begin(), applicationFolders.end());
    for (const auto& folder : listFolders) {
        if (folder.empty() || folder.front() != '/') continue;
        for (const auto& desktop : desktops)
            if (auto chosen = firstIn(folder + "/" + desktop + "-mimeapps.list", "[Default Applications]"))
                return chosen;
        if (auto chosen = firstIn(folder + "/mimeapps.list", "[Default Applications]")) return chosen;
    }
    const std::pair<const char*, const char*> systemDefaults[] = {
        {"/defaults.list", "[Default Applications]"}, {"/mimeinfo.cache", "[MIME Cache]"}};
    for (const auto& [file, section] : systemDefaults)
        for (const auto& folder : applicationFolders)
            if (auto chosen = firstIn(folder + file, section)) return chosen;
    return std::nullopt;
}

LaunchContext makeLaunchContext(Registry& registry, Files& files, const ShellEnvironment& environment) {
    auto env = std::make_shared<const ShellEnvironment>(environment);
    LaunchContext ctx;
    ctx.desktop = detectDesktop(env->currentDesktop, env->desktopSession);
    ctx.programExists = [env](std::string_view program) { return programInPath(program, env->path); };
    ctx.defaultApplication = [env](std::string_view mimeType) { return defaultApplicationOf(*env, mimeType); };
    ctx.hasDesktopEntry = [env](std::string_view name) {
        std::vector<std::string> dirs{env->dataHome};
        dirs.insert(dirs.end(), env->dataDirs.begin(), env->dataDirs.end());
        for (const auto& d : dirs)
            if (!d.empty() && ::access((d + "/applications/" + std::string(name)).c_str(), F_OK) == 0)
                return true;
        return false;
    };
    ctx.hostPath = [&files](std::string_view dos) { return files.hostPath(dos); };
    ctx.fileExists = [&files](std::string_view dos) { return files.fileExists(dos); };
    ctx.appPath = [&registry](std::string_view name) { return appPathOf(registry, name); };
    return ctx;
}

bool programInPath(std::string_view program, std::string_view path) {
    return !resolveProgram(program, path).empty();
}

ShellEnvironment ShellEnvironment::fromProcess() {
    auto get = [](const char* name) -> std::string {
        const char* v = std::getenv(name);
        return v ? v : "";
    };
    ShellEnvironment env;
    env.path = get("PATH");
    if (env.path.empty()) env.path = "/usr/local/bin:/usr/bin:/bin";
    env.currentDesktop = get("XDG_CURRENT_DESKTOP");
    env.desktopSession = get("DESKTOP_SESSION");
    std::string home = get("HOME");
    if (home.empty())
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    env.dataHome = get("XDG_DATA_HOME");
    if (env.dataHome.empty() || env.dataHome.front() != '/') env.dataHome = home.empty() ? std::string() : home + "/.local/share";
    env.dataDirs = splitList(get("XDG_DATA_DIRS"));
    if (env.dataDirs.empty()) env.dataDirs = {"/usr/local/share", "/usr/share"};
    env.configHome = get("XDG_CONFIG_HOME");
    if (env.configHome.empty() || env.configHome.front() != '/') env.configHome = home.empty() ? std::string() : home + "/.config";
    env.configDirs = splitList(get("XDG_CONFIG_DIRS"));
    if (env.configDirs.empty()) env.configDirs = {"/etc/xdg"};
    return env;
}

std::vector<std::string> defaultApplicationsFrom(std::string_view mimeappsText, std::string_view mimeType,
                                                 std::string_view section) {
    std::vector<std::string> chosen;
    bool inDefaults = false;
    for (std::string_view line : text::lines(mimeappsText)) {
        line = text::trim(line);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inDefaults = line == section;
            continue;
        }
        const auto eq = line.find('=');
        if (!inDefaults || eq == std::string_view::npos || text::trim(line.substr(0, eq)) != mimeType)
            continue;
        std::string_view list = line.substr(eq + 1);
        while (!list.empty()) {
            const auto semi = list.find(';');
            const std::string_view id = text::trim(list.substr(0, semi));
            if (!id.empty()) chosen.emplace_back(id);
            list = semi == std::string_view::npos ? std::string_view() : list.substr(semi + 1);
        }
    }
    return chosen;
}

bool clearRecentlyUsedFile(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return errno == ENOENT;
    return host::writeDurably(file, kEmptyXbel, 0600, host::Placement::Replace) == 0;
}

std::unique_ptr<Launcher> makeProcessLauncher() {
    return std::make_unique<ProcessLauncher>();
}

std::unique_ptr<Shell> makeLinuxShell(Registry& registry, Files& files, Launcher& launcher,
                                      ShellEnvironment environment) {
    return std::make_unique<LinuxShell>(registry, files, launcher, std::move(environment));
}

std::unique_ptr<Shell> makeLinuxShell(Registry& registry, Files& files) {
    auto launcher = makeProcessLauncher();
    Launcher& ref = *launcher;
    return std::make_unique<LinuxShell>(registry, files, ref, ShellEnvironment::fromProcess(),
                                        std::move(launcher));
}

}  // namespace vintrel::platform::linux_host
