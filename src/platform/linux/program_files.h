#pragma once
// The files group on Linux: the host files, except that a Windows program file of the tree
// (C:\WINDOWS\MSCONFIG.EXE, C:\WINDOWS\SYSTEM\NOTEPAD.EXE, ...) counts as existing while the
// shell maps it to a Linux program that is installed here, as the live registry keys stand
// for what Windows setup would have written. A real file at such a path counts as well.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

// Pure: the program ("msconfig.exe", lower case) that a DOS path names when it is one of the
// shell's mapped programs in C:\WINDOWS or C:\WINDOWS\SYSTEM, in any letter case and with
// either slash; nullopt for any other path.
std::optional<std::string> mappedProgramFile(std::string_view dosPath);

class ProgramFiles : public Files {
public:
    // counterpartInstalled("msconfig.exe"): whether the shell would start something for it.
    ProgramFiles(std::unique_ptr<Files> host,
                 std::function<bool(std::string_view program)> counterpartInstalled)
        : host_(std::move(host)), counterpartInstalled_(std::move(counterpartInstalled)) {}

    // The host files underneath, for whatever must not see the mapped programs.
    Files& host() { return *host_; }

    bool fileExists(std::string_view path) override;
    std::uint32_t fileAttributes(std::string_view path) override { return host_->fileAttributes(path); }
    std::uint32_t createDirectory(std::string_view path) override { return host_->createDirectory(path); }
    std::uint32_t removeDirectory(std::string_view path) override { return host_->removeDirectory(path); }
    std::uint32_t writeWholeFile(std::string_view path, std::string_view bytes) override {
        return host_->writeWholeFile(path, bytes);
    }
    std::string privateProfileString(std::string_view section, std::string_view key,
                                     std::string_view defaultText, std::uint32_t bufferSize,
                                     std::string_view file) override {
        return host_->privateProfileString(section, key, defaultText, bufferSize, file);
    }
    std::string hostPath(std::string_view path) override { return host_->hostPath(path); }

private:
    std::unique_ptr<Files> host_;
    std::function<bool(std::string_view)> counterpartInstalled_;
};

}  // namespace vintrel::platform::linux_host
