#include "system/report.h"

#include "platform/api/platform.h"
#include "system/date_text.h"
#include "system/drives.h"
#include "system/errors.h"
#include "system/hardware.h"
#include "system/registry_access.h"
#include "text/cp1252.h"

namespace vintrel::system {

using namespace vintrel::platform;
using text::operator""_w;

namespace {

std::string driverDesc(const char* deviceClass) {
    return RegReadString(HKEY_LOCAL_MACHINE, std::string(platform::reg::kClassKey) + deviceClass + "\\0000",
                         "DriverDesc");
}

class Lines {
public:
    void line(std::string_view text) {
        bytes_ += text;
        bytes_ += "\r\n";
    }
    void empty() { line(""); }
    std::string take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

std::string firstLine() {
    auto& locale = current().locale();
    const LocalTime now = locale.localTime();
    const LocaleInfo info = locale.current();
    std::string text = "RELATORIO DO SISTEMA   " +
                       formatLocalTime(info.shortDateFormat, now, info.amDesignator, info.pmDesignator);
    if (now.hour != 0 || now.minute != 0 || now.second != 0)
        text += " " + formatLocalTime(info.timeFormat, now, info.amDesignator, info.pmDesignator);
    return text;
}

}  // namespace

std::string ReportText(const std::vector<std::string>& programs) {
    Lines out;
    out.line(firstLine());
    out.empty();
    out.line("Windows        = " + RegReadString(platform::reg::ProductName));
    out.line("ID             = " + RegReadString(platform::reg::ProductId));
    out.empty();
    out.line(std::string("Usuário        = "_w) + RegReadString(platform::reg::RegisteredOwner));
    out.line("Empresa        = " + RegReadString(platform::reg::RegisteredOrganization));
    out.empty();
    {
        const std::string memory = FormatPhysicalMemory();
        const std::string load = FormatMemoryLoad();
        out.line(std::string("Memória        = "_w) + memory + " (" + load + " Utilizada)");
    }
    out.line("Arq. Troca     = " + FormatSwapUsed());
    out.line("Unidades       = " + FixedDrivesSummary(DRIVE_FIXED));
    {
        const std::string total = FormatTotalFixedSize();
        const std::string used = TotalFixedUsedPercent();
        out.line(std::string("Espaço Total   = "_w) + total + " (" + used + "%  Utilizado)");
    }
    out.line("Tot. Utilizado = " + FormatTotalFixedUsed());
    out.line("Tot. Livre     = " + FormatTotalFixedFree());
    {
        const std::string cdrom = driverDesc("Cdrom");
        const std::string letters = DriveLettersOfType(DRIVE_CDROM);
        out.line("Cdrom          = " + cdrom + " (" + letters + ")");
    }
    out.empty();
    out.line(std::string("Vídeo          = "_w) + driverDesc("DISPLAY"));
    out.line("Monitor        = " + driverDesc("Monitor"));
    out.line("Res. Atual.    = " + FormatScreenMode());
    out.empty();
    out.line("Som            = " + driverDesc("MEDIA"));
    out.line("Modem          = " + driverDesc("Modem"));
    out.line("Teclado        = " + driverDesc("Keyboard"));
    out.line("Mouse          = " + driverDesc("Mouse"));
    out.line("Impresora      = " + driverDesc("Printer"));
    out.empty();
    out.line("PROGRAMAS INSTALADOS:");
    out.line("---------------------");
    const std::size_t count = programs.size();
    for (std::size_t i = 0; i < count; ++i)
        if (!programs[i].empty()) out.line(programs[i]);
    out.empty();
    return out.take();
}

void WriteReport(const std::vector<std::string>& programs) {
    const std::string bytes = ReportText(programs);
    std::uint32_t error = current().files().writeWholeFile(kReportPath, bytes);
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
        error = 101;  // as text-file writes report it
    if (error != 0) throw InOutError(error);
}

std::string OpenReportInEditor() {
    // ShellExecute answers above 32 when the program started.
    if (current().shell().shellExecute({"", "Notepad.exe", kReportPath, "", SW_SHOWMAXIMIZED}) > 32)
        return {};
    std::string where = current().files().hostPath(kReportPath);
    where = where.empty() ? std::string(kReportPath) : text::utf8ToCp1252(where);
    return std::string("Nenhum editor de texto pôde ser aberto. O relatório foi gravado em "_w) + where + ".";
}

}  // namespace vintrel::system
