// vintrel-reg shows registry texts in a terminal's character set and gives files and pipes
// the stored Windows-1252 bytes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/registry/reg_value_text.h"
#include "support/test_paths.h"

namespace vintrel::registry {
namespace {

using namespace std::string_literals;

TEST(RegOutputCharset, WindowsTextInTheTerminalsSet) {
    const struct {
        const char* charset;
        std::string cp1252, expected;
    } cases[] = {
        {"", "Relat\xF3rio \x80"s, "Relat\xF3rio \x80"s},  // a file or a pipe: the bytes
        {"UTF-8", "Relat\xF3rio \x80"s, "Relat\xC3\xB3rio \xE2\x82\xAC"s},
        {"ISO-8859-1", "Relat\xF3rio \x80"s, "Relat\xF3rio ?"s},  // no euro sign in Latin-1
        {"ISO-8859-15", "\x80 \xA4"s, "\xA4 ?"s},                 // the euro moved to A4
        {"ANSI_X3.4-1968", "a\xE7\xE3o"s, "a??o"s},               // the C locale's ASCII
        {"NO-SUCH-CHARSET", "a\xE7\xE3o"s, "a??o"s},
    };
    for (const auto& c : cases) EXPECT_EQ(inCharset(c.cp1252, c.charset), c.expected) << c.charset;
}

struct ToolRun {
    int status = -1;
    std::string out;
};

// The tool with `args`, its standard output a terminal (a pty) or a pipe, in locale `lcAll`.
ToolRun runTool(const std::vector<std::string>& args, bool terminal, const char* lcAll,
                const std::string& root) {
    int master = -1, slave = -1, pipeFds[2] = {-1, -1};
    if (terminal ? ::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0 : ::pipe(pipeFds) != 0)
        return {};
    const int reader = terminal ? master : pipeFds[0];
    const int writer = terminal ? slave : pipeFds[1];
    const std::string tool = (test::binaryDir() / "tools" / "vintrel-reg").string();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(writer, STDOUT_FILENO);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::close(reader);
        ::setenv("LC_ALL", lcAll, 1);
        ::setenv("VINTREL_ROOT", root.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(tool.c_str())};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(writer);
    ToolRun run;
    char buffer[4096];
    for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
        run.out.append(buffer, static_cast<std::size_t>(n));
    ::close(reader);
    int status = 0;
    ::waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(RegOutputCharset, TerminalGetsItsCharsetAndAPipeTheBytes) {
    test::TempDir root;
    ASSERT_EQ(runTool({"add", "HKCU\\T", "/v", "n", "/d", "Relatório"}, false, "C.UTF-8", root.str()).status,
              0);
    // Escape sequences (C0 and, through the undefined bytes, C1 controls) that a terminal obeys.
    ASSERT_EQ(runTool({"add", "HKCU\\T", "/v", "c", "/d", "\x1b]0;x\x07 \xc2\x9d\xc2\x90"}, false, "C.UTF-8",
                      root.str())
                  .status,
              0);
    const struct {
        bool terminal;
        const char* locale;
        std::string shown;
    } cases[] = {
        {true, "C.UTF-8", "Relat\xC3\xB3rio"s},
        {true, "C", "Relat?rio"s},
        {false, "C.UTF-8", "Relat\xF3rio"s},
    };
    for (const auto& c : cases) {
        for (const std::vector<std::string>& args : {std::vector<std::string>{"query", "HKCU\\T"},
                                                     std::vector<std::string>{"export", "HKCU\\T", "-"}}) {
            const ToolRun r = runTool(args, c.terminal, c.locale, root.str());
            EXPECT_EQ(r.status, 0) << args[0] << " " << c.locale;
            EXPECT_NE(r.out.find(c.shown), std::string::npos)
                << args[0] << (c.terminal ? " on a terminal in " : " into a pipe in ") << c.locale << ": "
                << r.out;
            if (c.terminal) {
                EXPECT_EQ(r.out.find_first_of("\x1b\x07\x90\x9d"), std::string::npos)
                    << args[0] << " in " << c.locale << ": " << r.out;
            }
        }
    }
}

}  // namespace
}  // namespace vintrel::registry
