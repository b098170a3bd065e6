#pragma once
// Every registry location the program reads or writes, in one table: the root, the key as it
// is spelled when read and when written (key names compare without regard to case, so both
// spellings name one key; empty: never read, or never written), and the value's name (empty:
// the key's default value). Windows itself kept these; the Linux provider answers many live.

#include <string_view>

#include "platform/api/platform.h"

namespace vintrel::platform {

struct RegistryLocation {
    HKey root = 0;
    std::string_view readKey;
    std::string_view writeKey;
    std::string_view valueName;
};

namespace reg {

// Keys named by more than one location.
inline constexpr std::string_view kVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
inline constexpr std::string_view kVersionKeyUpper = "SOFTWARE\\MICROSOFT\\WINDOWS\\CurrentVersion";
inline constexpr std::string_view kUserInfoKey = "Software\\Microsoft\\MS Setup (ACME)\\User Info";
inline constexpr std::string_view kDesktopKey = "Control Panel\\Desktop";
// The installed programs: each subkey's "DisplayName" and "UninstallString" (with the
// trailing backslash the listing appends subkey names to).
inline constexpr std::string_view kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// ShellExecute's per-program command overrides: "<key><program name>", default value.
inline constexpr std::string_view kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
// The device classes: "<key><class>\0000" "DriverDesc".
inline constexpr std::string_view kClassKey = "System\\CurrentControlSet\\Services\\Class\\";

// The operating system, as the settings dialog and the report read it.
inline constexpr RegistryLocation ProductName{HKEY_LOCAL_MACHINE, kVersionKeyUpper, {}, "ProductName"};
inline constexpr RegistryLocation ProductId{HKEY_LOCAL_MACHINE, kVersionKeyUpper, {}, "ProductId"};
// The product name as the main window reads it.
inline constexpr RegistryLocation ProductNameShown{HKEY_LOCAL_MACHINE, kVersionKey, {}, "ProductName"};
inline constexpr RegistryLocation SystemRoot{HKEY_LOCAL_MACHINE, kVersionKeyUpper, {}, "SystemRoot"};

// The settings dialog's values.
inline constexpr RegistryLocation RegisteredOwner{HKEY_LOCAL_MACHINE, kVersionKeyUpper, kVersionKey,
                                                  "RegisteredOwner"};
inline constexpr RegistryLocation RegisteredOrganization{HKEY_LOCAL_MACHINE, kVersionKeyUpper, kVersionKey,
                                                         "RegisteredOrganization"};
inline constexpr RegistryLocation DefName{HKEY_CURRENT_USER, {}, kUserInfoKey, "DefName"};
inline constexpr RegistryLocation DefCompany{HKEY_CURRENT_USER, {}, kUserInfoKey, "DefCompany"};
inline constexpr RegistryLocation MenuShowDelay{HKEY_CURRENT_USER, kDesktopKey, kDesktopKey, "MenuShowDelay"};
inline constexpr RegistryLocation BitmapIcon{HKEY_CLASSES_ROOT, "paint.Picture\\DefaultIcon",
                                             "Paint.Picture\\DefaultIcon", ""};
inline constexpr RegistryLocation MiddleDoubleClick{HKEY_LOCAL_MACHINE,
                                                    "SOFTWARE\\Logitech\\MouseWare\\CurrentVersion\\SerialV\\0000",
                                                    "Software\\Logitech\\MouseWare\\CurrentVersion\\SerialV\\0000",
                                                    "DoubleClick"};

// The hardware summary.
inline constexpr RegistryLocation DisplayAdapter{HKEY_LOCAL_MACHINE,
                                                 "System\\CurrentControlSet\\Services\\Class\\DISPLAY\\0000", {},
                                                 "DriverDesc"};
inline constexpr RegistryLocation Monitor{HKEY_LOCAL_MACHINE,
                                          "System\\CurrentControlSet\\Services\\Class\\Monitor\\0000", {},
                                          "DriverDesc"};
inline constexpr RegistryLocation ProcessorVendor{HKEY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor\\0",
                                                  {}, "VendorIdentifier"};
inline constexpr RegistryLocation BitsPerPixel{HKEY_LOCAL_MACHINE, "Config\\0001\\Display\\Settings", {},
                                               "BitsPerPixel"};
inline constexpr std::string_view kPrinterEnumKey = "Enum\\Root\\Printer\\0000";
inline constexpr std::string_view kKeyboardEnumKey = "Enum\\Bios\\*PNP0303\\04";
inline constexpr std::string_view kMouseEnumKey = "Enum\\Root\\*PNP0F0C\\0000";
inline constexpr std::string_view kModemEnumKey = "Enum\\Root\\Modem\\0000";

}  // namespace reg
}  // namespace vintrel::platform
