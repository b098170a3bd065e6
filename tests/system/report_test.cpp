// The system report for simulated machines, byte for byte, and its failures.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <optional>

#include "platform/host/durable_write.h"
#include "support/sim_machine.h"
#include "system/errors.h"
#include "system/report.h"
#include "system/settings.h"

namespace vintrel::system {
namespace {
using test::SimMachine;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string classKey(const char* cls, const char* desc) {
    return std::string(R"("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\)") + cls +
           R"(\\0000]","\"DriverDesc\"=\")" + desc + R"(\"",)";
}

// The machine of the worked example, with changes.
struct Machine {
    std::string drives = R"("C":{"totalBytes":6500000000,"freeBytes":2700000000},)"
                         R"("D":{"totalBytes":1052803072,"freeBytes":790659072},"E":{"type":5})";
    std::string localTime = "2001-03-15T14:05:09";
    std::string timeFormat = "%H:%M:%S";
    bool withCdromClass = true;
    bool withPrograms = true;

    std::string json() const {
        std::string reg = R"("REGEDIT4",
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]",
          "\"ProductName\"=\"Microsoft Windows 98\"","\"RegisteredOwner\"=\"Recepção\"",
          "\"RegisteredOrganization\"=\"Oficina Central\"",)";
        if (withCdromClass) reg += classKey("Cdrom", "Unidade de CD-ROM IDE");
        reg += classKey("DISPLAY", "Adaptador de vídeo SVGA") + classKey("Monitor", "Monitor Plug and Play") +
               classKey("MEDIA", "Dispositivo de som compatível") +
               classKey("Keyboard", "Teclado padrão de 101/102 teclas") + classKey("Mouse", "Mouse serial padrão") +
               classKey("Printer", "Impressora jato de tinta");
        if (withPrograms)
            for (const char* p : {"Leitor de Documentos", "Compactador de Arquivos", "Editor de Imagens"})
                reg += std::string(R"("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\)") +
                       p + R"(]","\"DisplayName\"=\")" + p + R"(\"","\"UninstallString\"=\"x\"",)";
        return R"({"drives":{)" + drives + R"(},"folders":["C:\\WINDOWS\\Desktop"],)"
               R"("memory":{"memoryLoad":42,"totalPhys":66650112,"totalPageFile":37748736,"availPageFile":18874368},)"
               R"("screen":{"width":800,"height":600,"bitsPerPixel":16},)"
               R"("locale":{"decimalSeparator":",","shortDateFormat":"%d/%m/%Y","timeFormat":")" +
               timeFormat + R"(","amDesignator":"AM","pmDesignator":"PM"},)"
               R"("clock":{"localTime":")" + localTime + R"("},"registry":[)" + reg + R"(""]})";
    }
};

std::vector<std::string> lines(const std::string& bytes) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (std::size_t crlf; (crlf = bytes.find("\r\n", at)) != std::string::npos; at = crlf + 2)
        out.push_back(bytes.substr(at, crlf - at));
    EXPECT_EQ(at, bytes.size()) << "the last line ends with CR LF";
    return out;
}

TEST(Report, WorkedExampleByteForByte) {
    SimMachine m(Machine{}.json());
    WriteReport(InstalledProgramsSorted());
    const std::string written = readFile(m.sim().files().hostPath(kReportPath));
    EXPECT_EQ(written, readFile(test::dataDir() / "report" / "worked-example.txt"));
    OpenReportInEditor();
    ASSERT_EQ(m.record().launches.size(), 1u);
    EXPECT_EQ(m.record().launches[0].file, "Notepad.exe");
    EXPECT_EQ(m.record().launches[0].parameters, kReportPath);
    EXPECT_EQ(m.record().launches[0].showCommand, platform::SW_SHOWMAXIMIZED);
}

TEST(Report, LinesThatVary) {
    const struct {
        const char* label;
        Machine machine;
        std::size_t line;  // 0-based
        const char* text;
    } cases[] = {
        {"midnight", [] { Machine m; m.localTime = "2001-03-15T00:00:00"; return m; }(), 0,
         "RELATORIO DO SISTEMA   15/03/2001"},
        {"12-hour clock", [] { Machine m; m.localTime = "2001-03-15T14:05:09"; m.timeFormat = "%I:%M:%S %p"; return m; }(),
         0, "RELATORIO DO SISTEMA   15/03/2001 02:05:09 PM"},
        {"no CD-ROM", [] { Machine m; m.withCdromClass = false; m.drives = R"("C":{"totalBytes":100,"freeBytes":50})"; return m; }(),
         14, "Cdrom          =  ()"},
        {"two CD-ROMs", [] { Machine m; m.drives += R"(,"F":{"type":5})"; return m; }(), 14,
         "Cdrom          = Unidade de CD-ROM IDE (E:, F:)"},
        {"no programs", [] { Machine m; m.withPrograms = false; return m; }(), 27, "---------------------"},
    };
    for (const auto& c : cases) {
        SimMachine m(c.machine.json());
        const auto all = lines(ReportText(InstalledProgramsSorted()));
        ASSERT_GT(all.size(), c.line) << c.label;
        EXPECT_EQ(all[c.line], c.text) << c.label;
        if (!c.machine.withPrograms) {
            EXPECT_EQ(all.size(), 29u);
            EXPECT_EQ(all.back(), "");
        }
    }
    SimMachine m(Machine{}.json());
    EXPECT_EQ(lines(ReportText({"B", "", "A"})).size(), 31u);  // empty entries leave no line
}

TEST(Report, FailuresKeepTheOldReport) {
    SimMachine m(Machine{}.json());
    const std::string path = m.sim().files().hostPath(kReportPath);
    std::ofstream(path) << "old report";
    const struct {
        const char* label;
        std::uint32_t code;
    } cases[] = {{"read-only", 5}, {"locked for writing", 32}, {"disk full", 101}};
    for (const auto& c : cases) {
        // A full disk: the write of the new report's bytes fails as write(2) does then.
        auto full = +[](int, const void*, size_t) -> ssize_t {
            errno = ENOSPC;
            return -1;
        };
        std::optional<platform::host::ScopedDurableCalls> diskFull;
        if (c.code == 101) diskFull.emplace(platform::host::DurableCalls{full, ::fsync, ::rename, ::link});
        int lock = -1;
        if (c.code == 5) ::chmod(path.c_str(), 0444);
        if (c.code == 32) {
            lock = ::open(path.c_str(), O_RDWR);
            struct flock f {};
            f.l_type = F_WRLCK;
            f.l_whence = SEEK_SET;
            ASSERT_EQ(::fcntl(lock, F_OFD_SETLK, &f), 0);
        }
        try {
            WriteReport({});
            ADD_FAILURE() << c.label << ": written";
        } catch (const InOutError& e) {
            EXPECT_EQ(e.code(), c.code) << c.label;
            if (c.code == 101) {
                EXPECT_EQ(std::string(e.what()), "Disk full");
            }
        }
        if (lock >= 0) ::close(lock);
        ::chmod(path.c_str(), 0644);
        EXPECT_EQ(readFile(path), "old report") << c.label;
    }
    std::filesystem::remove(path);
    std::filesystem::remove(std::filesystem::path(path).parent_path());
    try {
        WriteReport({});
        ADD_FAILURE() << "written without a desktop folder";
    } catch (const InOutError& e) {
        EXPECT_EQ(e.code(), 3u);
        EXPECT_EQ(std::string(e.what()), "Invalid filename");
    }
}

}  // namespace
}  // namespace vintrel::system
