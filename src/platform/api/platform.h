#pragma once
// The platform seam: the operations that Windows provided, grouped as its libraries are.
// Plain C++ types only; every text is a Windows-1252 byte string (std::string).
// A provider (Linux or simulated) fills every group; the rest of the program reaches
// them through vintrel::platform::current().

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::platform {

// Win32 error codes that callers show or test.
enum Win32Error : std::uint32_t {
    ERROR_SUCCESS_CODE = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_PATH_NOT_FOUND = 3,
    ERROR_TOO_MANY_OPEN_FILES = 4,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_INVALID_DATA = 13,
    ERROR_WRITE_PROTECT = 19,
    ERROR_SHARING_VIOLATION = 32,
    ERROR_HANDLE_DISK_FULL = 39,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_DISK_FULL = 112,
    ERROR_INVALID_NAME = 123,
    ERROR_DIR_NOT_EMPTY = 145,
    ERROR_BUSY = 170,
    ERROR_ALREADY_EXISTS = 183,
    ERROR_MORE_DATA = 234,
    ERROR_NO_MORE_ITEMS = 259,
    ERROR_REGISTRY_CORRUPT = 1015,
    ERROR_REGISTRY_IO_FAILED = 1016,
    ERROR_KEY_DELETED = 1018,
};

// ---------------------------------------------------------------- drives and memory (kernel32)

enum DriveType : int {
    DRIVE_UNKNOWN = 0,
    DRIVE_NO_ROOT_DIR = 1,
    DRIVE_REMOVABLE = 2,
    DRIVE_FIXED = 3,
    DRIVE_REMOTE = 4,
    DRIVE_CDROM = 5,
    DRIVE_RAMDISK = 6,
};

inline constexpr std::uint32_t FS_VOL_IS_COMPRESSED = 0x8000;

struct VolumeInformation {
    std::string volumeLabel;  // Windows-1252
    std::uint32_t serialNumber = 0;
    std::uint32_t maxComponentLength = 0;
    std::uint32_t fileSystemFlags = 0;
    std::string fileSystemName;  // Windows-1252
};

struct DiskSpace {
    std::int64_t freeBytesAvailableToCaller = 0;
    std::int64_t totalBytes = 0;
};

// GlobalMemoryStatus, widened to 64-bit byte counts (the 32-bit record overflows at 4 GiB).
struct MemoryStatus {
    std::uint32_t length = 64;
    std::uint32_t memoryLoad = 0;  // percent, 0..100
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t totalPageFile = 0;
    std::uint64_t availPageFile = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t availVirtual = 0;
};

class DrivesAndMemory {
public:
    virtual ~DrivesAndMemory() = default;
    // root is "X:\" or "X:/" (both answer alike); any other text is DRIVE_NO_ROOT_DIR.
    virtual int driveType(std::string_view root) = 0;
    // The types of the first types.size() letters from A: at one moment; by default one
    // driveType each.
    virtual void driveTypes(std::span<int> types) {
        char root[] = "A:\\";
        for (std::size_t i = 0; i < types.size(); ++i) {
            root[0] = static_cast<char>('A' + i);
            types[i] = driveType(root);
        }
    }
    virtual std::optional<VolumeInformation> volumeInformation(std::string_view root) = 0;
    virtual std::optional<DiskSpace> diskFreeSpace(std::string_view root) = 0;
    virtual MemoryStatus memoryStatus() = 0;
};

// ---------------------------------------------------------------- files and folders (kernel32)

inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;

class Files {
public:
    virtual ~Files() = default;
    // Paths are DOS paths ("C:\WINDOWS\system.ini"), Windows-1252.
    virtual std::uint32_t fileAttributes(std::string_view path) = 0;  // INVALID_FILE_ATTRIBUTES on failure
    virtual std::uint32_t createDirectory(std::string_view path) = 0;  // 0 or a Win32 error
    virtual std::uint32_t removeDirectory(std::string_view path) = 0;  // 0 or a Win32 error
    virtual bool fileExists(std::string_view path) = 0;                // an existing file, not a folder
    // Replaces the file's whole content (temporary file and rename); 0 or a Win32 error.
    virtual std::uint32_t writeWholeFile(std::string_view path, std::string_view bytes) = 0;
    // GetPrivateProfileStringA; the result holds at most bufferSize - 1 bytes.
    virtual std::string privateProfileString(std::string_view section, std::string_view key,
                                             std::string_view defaultText, std::uint32_t bufferSize,
                                             std::string_view file) = 0;
    // The host path that a DOS path names, for handing to other programs (UTF-8); empty if none.
    virtual std::string hostPath(std::string_view path) = 0;
};

// ---------------------------------------------------------------- processor clock

inline constexpr std::uint32_t NORMAL_PRIORITY_CLASS = 0x20;
inline constexpr std::uint32_t IDLE_PRIORITY_CLASS = 0x40;
inline constexpr std::uint32_t HIGH_PRIORITY_CLASS = 0x80;
inline constexpr std::uint32_t REALTIME_PRIORITY_CLASS = 0x100;
inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

class Processor {
public:
    virtual ~Processor() = default;
    virtual std::uint32_t priorityClass() = 0;
    virtual bool setPriorityClass(std::uint32_t priorityClass) = 0;
    virtual int threadPriority() = 0;
    virtual bool setThreadPriority(int priority) = 0;
    virtual void sleepMs(std::uint32_t milliseconds) = 0;
    // The 64-bit time-stamp counter; nullopt where the processor has none.
    virtual std::optional<std::uint64_t> readTimeStampCounter() = 0;
};

// ---------------------------------------------------------------- registry (advapi32)

using HKey = std::uint32_t;
inline constexpr HKey HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKey HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKey HKEY_LOCAL_MACHINE = 0x80000002u;

inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr std::uint32_t KEY_READ = 0x20019;

enum RegType : std::uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_DWORD_BIG_ENDIAN = 5,
    REG_LINK = 6,
    REG_MULTI_SZ = 7,
    REG_QWORD = 11,
};

struct RegValue {
    std::uint32_t type = REG_NONE;
    std::string data;  // raw bytes as stored
};

// One subkey as subKeyValues hands it on: its name and its values, values[v] the one asked
// for as valueNames[v], none where missing. The visitor may move the values away.
using SubKeyVisitor = std::function<void(const std::string& subKey, std::optional<RegValue>* values)>;

// Every call returns 0 (ERROR_SUCCESS) or a Win32 error code.
class Registry {
public:
    virtual ~Registry() = default;
    virtual long openKey(HKey parent, std::string_view subKey, std::uint32_t access, HKey& result) = 0;
    virtual long createKey(HKey parent, std::string_view subKey, HKey& result) = 0;
    // Copies at most bufferSize bytes into value.data; larger data gives ERROR_MORE_DATA
    // with value.data empty and requiredSize set, as RegQueryValueExA does.
    virtual long queryValue(HKey key, std::string_view valueName, std::uint32_t bufferSize,
                            RegValue& value, std::uint32_t& requiredSize) = 0;
    virtual long setValue(HKey key, std::string_view valueName, std::uint32_t type,
                          std::string_view data) = 0;
    virtual long closeKey(HKey key) = 0;
    virtual long enumKey(HKey key, std::uint32_t index, std::string& name) = 0;
    virtual long queryInfoKey(HKey key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) = 0;
    // Handles currently open. Every registry access closes what it opens, and the checks that
    // no handle outlives a call read this; it stays on the interface because both providers'
    // handle tables answer it for free and a leak shows in any provider, not only a fake.
    virtual std::size_t openHandleCount() const = 0;
    // Between these two, reads may share one consistent view of the stored keys, so that a
    // refresh reading several values pays for one look at the store. Pairs nest; a write
    // still sees and changes the current state.
    virtual void beginReads() {}
    virtual void endReads() {}
    // Every subkey of root\keyPath that opens, in enumeration order, with its values
    // `valueNames`: what opening the key, enumerating its subkeys, opening each by its whole
    // path and querying each value gives (as many bytes as each holds), in one call that a
    // provider may answer without a handle per subkey. Each subkey is handed to `visit` as it
    // is read, so that a key of thousands is never held whole; what `visit` throws ends the
    // call. Fails as opening the key would.
    virtual long subKeyValues(HKey root, std::string_view keyPath, const std::vector<std::string>& valueNames,
                              const SubKeyVisitor& visit);

protected:
    // One value of an open key in full (a first read into a buffer of a usual size, a second
    // when it holds more); none when it cannot be read.
    std::optional<RegValue> wholeValue(HKey key, const std::string& name);
};

// ---------------------------------------------------------------- user interface (user32)

struct ScreenSize {
    int width = 0;
    int height = 0;
};

struct TopLevelWindow {
    std::uint64_t id = 0;
    std::string title;  // Windows-1252
};

// The window manager's frame around a window's client area, in pixels.
struct FrameExtents {
    int left = 0, right = 0, top = 0, bottom = 0;
};

class UserInterface {
public:
    virtual ~UserInterface() = default;
    // The frame the window manager drew around the window, where it tells; none by default.
    virtual std::optional<FrameExtents> frameExtents(std::uint64_t window) { return std::nullopt; }
    virtual ScreenSize screenSize() = 0;
    // SetWindowPos with HWND_TOPMOST / HWND_NOTOPMOST; window is the native window id.
    virtual void setTopMost(std::uint64_t window, bool topMost) = 0;
    virtual std::vector<TopLevelWindow> topLevelWindows() = 0;
};

// ---------------------------------------------------------------- shell (shell32)

inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMAXIMIZED = 3;

struct ShellRequest {
    std::string operation;   // "Open", or empty for the default verb
    std::string file;        // program name, document, or web / mail address
    std::string parameters;
    std::string directory;
    int showCommand = SW_SHOWNORMAL;
};

class Shell {
public:
    virtual ~Shell() = default;
    // ShellExecuteA: greater than 32 on success, a small error number otherwise.
    virtual std::intptr_t shellExecute(const ShellRequest& request) = 0;
    // SHAddToRecentDocs(SHARD_PIDL, NULL): clears the recent-documents list.
    virtual void clearRecentDocuments() = 0;
};

// ---------------------------------------------------------------- multimedia (winmm)

class Multimedia {
public:
    virtual ~Multimedia() = default;
    virtual std::uint32_t waveOutDeviceCount() = 0;
};

// ---------------------------------------------------------------- print spooler (winspool)

struct PrinterInfo {
    std::string name;   // Windows-1252
    std::string ports;  // comma-separated port list
};

class Spooler {
public:
    virtual ~Spooler() = default;
    virtual std::vector<PrinterInfo> installedPrinters() = 0;
    // The same list handed to `done` without waiting for it: at once, on this thread, when it
    // is at hand; else later, from another thread.
    virtual void installedPrintersLater(std::function<void(std::vector<PrinterInfo>)> done) {
        done(installedPrinters());
    }
};

// ---------------------------------------------------------------- session

inline constexpr std::uint32_t EWX_LOGOFF = 0;
inline constexpr std::uint32_t EWX_REBOOT = 2;

class Session {
public:
    virtual ~Session() = default;
    virtual bool exitWindows(std::uint32_t flags) = 0;
};

// ---------------------------------------------------------------- regional settings

struct LocaleInfo {
    char decimalSeparator = '.';
    std::string shortDateFormat = "%d/%m/%Y";  // strftime form
    std::string timeFormat = "%H:%M:%S";       // %I or %r: a 12-hour clock
    std::string amDesignator = "AM";           // what %p writes
    std::string pmDesignator = "PM";
};

struct LocalTime {
    int year = 1970, month = 1, day = 1;  // month 1-12
    int hour = 0, minute = 0, second = 0;
};

class Locale {
public:
    virtual ~Locale() = default;
    virtual LocaleInfo current() = 0;
    // The current local date and time.
    virtual LocalTime localTime() = 0;
};

// ---------------------------------------------------------------- the whole platform

inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;  // Windows 95 and 98
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

class Platform {
public:
    virtual ~Platform() = default;
    // GetVersionEx's platform identifier; Linux answers as the NT family does.
    virtual std::uint32_t versionPlatformId() { return VER_PLATFORM_WIN32_NT; }
    virtual DrivesAndMemory& drives() = 0;
    virtual Files& files() = 0;
    virtual Processor& processor() = 0;
    virtual Registry& registry() = 0;
    virtual UserInterface& ui() = 0;
    virtual Shell& shell() = 0;
    virtual Multimedia& multimedia() = 0;
    virtual Spooler& spooler() = 0;
    virtual Session& session() = 0;
    virtual Locale& locale() = 0;
};

// The process-wide platform, as the Windows API is. Aborts with a message if none is installed.
Platform& current();
bool installed();
// A number that changes whenever a platform is installed: what was built for one platform is
// known stale even when a later one happens to live at the same address.
unsigned long installation();

// Installs a platform for the lifetime of the guard and puts the previous one back.
class ScopedPlatform {
public:
    explicit ScopedPlatform(std::unique_ptr<Platform> platform);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;
    Platform& get() { return *platform_; }

private:
    std::unique_ptr<Platform> platform_;
    Platform* previous_;
};

}  // namespace vintrel::platform
