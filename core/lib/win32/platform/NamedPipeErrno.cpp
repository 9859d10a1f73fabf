#include "platform/NamedPipeErrno.h"

#include "platform/Win32Error.h"

#include <cerrno>

namespace portlib::platform {

int PipeErrorFromErrno(int err) {
    switch (err) {
    case 0: return HV_ERROR_SUCCESS;
    case ENOENT:
    case ENOTDIR:
    case ECONNREFUSED: return HV_ERROR_FILE_NOT_FOUND;
    case EMFILE:
    case ENFILE: return HV_ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EROFS: return HV_ERROR_ACCESS_DENIED;
    case EBADF: return HV_ERROR_INVALID_HANDLE;
    case ENOMEM:
    case ENOBUFS: return HV_ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
    case EMSGSIZE: return HV_ERROR_INVALID_PARAMETER;
    case EPIPE:
    case ECONNRESET: return HV_ERROR_BROKEN_PIPE;
    case ETIMEDOUT: return HV_ERROR_SEM_TIMEOUT;
    case ENAMETOOLONG: return HV_ERROR_FILENAME_EXCED_RANGE;
    case ENOTSOCK:
    case EOPNOTSUPP:
    case EPROTOTYPE: return HV_ERROR_BAD_PIPE;
    case ENOTCONN: return HV_ERROR_PIPE_NOT_CONNECTED;
    case EAGAIN: return HV_WSAEWOULDBLOCK;
    default: return HV_ERROR_GEN_FAILURE;
    }
}

}  // namespace portlib::platform
