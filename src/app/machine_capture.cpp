#include "app/machine_capture.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "app/standard_output.h"
#include "forms/main_form.h"
#include "forms/message_box.h"
#include "forms/settings_form.h"
#include "platform/host/whole_file.h"
#include "platform/sim/profile_writer.h"
#include "system/registry_access.h"
#include "system/report.h"
#include "system/settings.h"

namespace vintrel::app {
namespace {

std::string writeProblem(std::uint32_t code) {
    switch (code) {
        case platform::ERROR_PATH_NOT_FOUND:
            return "the folder does not exist";
        case platform::ERROR_ACCESS_DENIED:
            return "access is denied";
        case platform::ERROR_SHARING_VIOLATION:
            return "another program has locked the file";
        case platform::ERROR_DISK_FULL:
        case platform::ERROR_HANDLE_DISK_FULL:
            return "there is not enough space on the disk";
        default:
            return "error " + std::to_string(code);
    }
}

}  // namespace

void readWhatTheWindowsRead() {
    // Nobody answers a box here; what the windows would have said does not matter.
    forms::ScriptedMessages silent(forms::Answer::No);
    {
        forms::TForm1 main;
        forms::TSistemaDef settings;
        system::PrinterList();  // what the dialog lists when it is shown
        system::WindowTitles();
    }
    system::MouseDriverEntry();
    // The folder the report is written to, so that the played machine can write it too.
    const std::string report = system::kReportPath;
    system::FolderExists(report.substr(0, report.rfind('\\')));
    try {
        system::ReportText(system::InstalledProgramsSorted());
    } catch (const std::exception&) {
        // The report stops where the program's would; what it read so far is recorded.
    }
}

int writeCapturedProfile(const platform::sim::RecordingPlatform& recorder, const std::string& file,
                         bool includePersonal) {
    platform::sim::Profile profile = recorder.profile();
    if (!includePersonal)
        for (const std::string& line : platform::sim::replacePersonalValues(profile))
            std::cerr << "vintrel: capture: " << line << '\n';
    const std::string json = platform::sim::profileJson(profile);
    if (file == "-") return writeStandardOutput(json, "the profile") ? 0 : 1;
    // A folder refuses the write as "access is denied", which would send the user to its rights.
    if (std::error_code ec; std::filesystem::is_directory(file, ec)) {
        std::cerr << "vintrel: cannot write the profile to " << file << ": it is a folder\n";
        return 2;
    }
    if (const std::uint32_t error = platform::host::replaceWholeFile(file, json); error != 0) {
        std::cerr << "vintrel: cannot write the profile to " << file << ": " << writeProblem(error) << '\n';
        return 2;
    }
    return 0;
}

}  // namespace vintrel::app
