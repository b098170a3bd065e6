#pragma once
// What the settings dialog reads besides plain registry strings: whole numbers in the
// classic conversion's syntax, the installed programs that have an uninstaller, the printer
// list, the titles of the top-level windows and the mouse driver named in system.ini.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::system {

// A whole number: leading blanks, then an optional sign and decimal digits, or "$" / "0x"
// (after the sign) and hexadecimal digits; nothing else, nothing after. Out of range for a
// 32-bit signed number or anything else raises ConvertError
// "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

// Calls `add` with the display name of every subkey of the uninstall key that has a non-empty
// "UninstallString" and "DisplayName", in the registry's order. A value of another type than
// text raises Error "Invalid data type for '<name>'"; the names given before it stay given.
void ListInstalledPrograms(const std::function<void(std::string&&)>& add);

// The names in the order a sorted list shows them (stable for equal names).
std::vector<std::string> InstalledProgramsSorted();
// The same into `names`, which holds the names given before an error when one is raised.
void InstalledProgramsSorted(std::vector<std::string>& names);

// The printer list as the dialog shows it, built at its first use and kept for the process:
// one name per printer on the NT family, "<printer> on <port>" per port on 95/98.
std::vector<std::string> PrinterList();
// The same list handed to `done` without waiting for the spooler: at once, on this thread,
// when it is at hand; else from another thread once the spooler answers.
void PrinterListLater(std::function<void(std::vector<std::string>)> done);
struct PrinterEntry {
    std::string name;
    std::string ports;  // comma-separated
};
std::vector<std::string> FormatPrinterList(const std::vector<PrinterEntry>& printers,
                                           std::uint32_t platformId);

// Titles of every top-level window, each cut to 99 characters; empty titles skipped.
std::vector<std::string> WindowTitles();

// "mouse.drv" of [boot.description] in c:\windows\system.ini, default "nada".
std::string MouseDriverEntry();
// True when that entry names a Logitech driver (the exact word, letter case counts).
bool LogitechMouseDriverNamed();

}  // namespace vintrel::system
