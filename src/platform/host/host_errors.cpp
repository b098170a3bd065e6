#include "platform/host/host_errors.h"

#include <cerrno>

#include "platform/api/platform.h"

namespace vintrel::platform::host {

std::uint32_t win32FromErrno(int error) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS_CODE;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
        case ELOOP:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case EBUSY:
        case ETXTBSY:
        case EAGAIN:
            return ERROR_SHARING_VIOLATION;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENAMETOOLONG:
        case EINVAL:
        case EILSEQ:
            return ERROR_INVALID_NAME;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return kErrorGenFailure;
    }
}

}  // namespace vintrel::platform::host
