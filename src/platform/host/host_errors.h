#pragma once
// Linux errno values as the Win32 error codes that the file and folder operations report.

#include <cstdint>

namespace vintrel::platform::host {

// ERROR_DIRECTORY: RemoveDirectoryA on something that is not a folder.
inline constexpr std::uint32_t kErrorDirectory = 267;
// ERROR_GEN_FAILURE: a device error with no closer Win32 meaning.
inline constexpr std::uint32_t kErrorGenFailure = 31;

// The Win32 code for an errno value; ENOENT maps to ERROR_FILE_NOT_FOUND (callers that know a
// folder is missing use ERROR_PATH_NOT_FOUND themselves).
std::uint32_t win32FromErrno(int error);

}  // namespace vintrel::platform::host
