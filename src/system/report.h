#pragma once
// The system report "Sistema.txt": one model for the settings dialog's button and the
// command line. Windows-1252 text, CR LF after every line, each value measured or read
// afresh at its own line.

#include <string>
#include <vector>

namespace vintrel::system {

inline constexpr const char* kReportPath = "C:\\Windows\\Desktop\\Sistema.txt";

// The report's bytes, with `programs` (the program list in list order) as its last part;
// empty entries are skipped.
std::string ReportText(const std::vector<std::string>& programs);

// Writes the report to its place on the Windows desktop, whole or not at all; a failure
// raises InOutError with the code of the file error (disk full as 101).
void WriteReport(const std::vector<std::string>& programs);

// Starts the text editor on the report, maximised. When none could be started, the text that
// tells the user where the report is (Windows-1252); else empty.
std::string OpenReportInEditor();

}  // namespace vintrel::system
