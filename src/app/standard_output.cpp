#include "app/standard_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace vintrel::app {

bool writeStandardOutput(std::string_view bytes, std::string_view what) {
    errno = 0;
    int error = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) error = errno ? errno : EIO;
    if (std::fflush(stdout) != 0 && error == 0) error = errno ? errno : EIO;
    // A write that failed inside an earlier flush leaves only the stream's error mark.
    if (std::ferror(stdout) && error == 0) error = EIO;
    if (error == 0) {
        // Closing a copy reports a deferred error and keeps descriptor 1 taken, so that no file
        // opened later lands on it.
        const int copy = ::dup(STDOUT_FILENO);
        if (copy < 0 || (::close(copy) != 0 && errno != EINTR)) error = errno;
    }
    if (error == 0) return true;
    std::cerr << "vintrel: cannot write " << what << " to standard output: " << std::strerror(error) << '\n';
    return false;
}

}  // namespace vintrel::app
