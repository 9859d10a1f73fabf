#include "platform/ErrnoWin32.h"

#include <cerrno>

namespace portlib::platform {

namespace {

struct Row {
    int err;
    int win32;
};

constexpr Row kTable[] = {
    {ENOENT, 2},         // ERROR_FILE_NOT_FOUND
    {ENOTDIR, 3},        // ERROR_PATH_NOT_FOUND
    {EMFILE, 4},         // ERROR_TOO_MANY_OPEN_FILES
    {ENFILE, 4},
    {EACCES, 5},         // ERROR_ACCESS_DENIED
    {EPERM, 5},
    {EROFS, 5},
    {EBADF, 6},          // ERROR_INVALID_HANDLE
    {EPROTO, 6},         // a file that is not an object of the kind asked for
    {ENOMEM, 8},         // ERROR_NOT_ENOUGH_MEMORY
    {ENOBUFS, 8},
    {EBADMSG, 13},       // ERROR_INVALID_DATA
    {ENOSYS, 50},        // ERROR_NOT_SUPPORTED
    {EOPNOTSUPP, 50},
    {ECHILD, 50},
    {ESRCH, 87},         // ERROR_INVALID_PARAMETER (OpenProcess of no such pid)
    {EINVAL, 87},
    {ENOSPC, 112},       // ERROR_DISK_FULL
    {ETIMEDOUT, 121},    // ERROR_SEM_TIMEOUT
    {ENAMETOOLONG, 206}, // ERROR_FILENAME_EXCED_RANGE
    {EBUSY, 32},         // ERROR_SHARING_VIOLATION
    {ETXTBSY, 32},
    {EEXIST, 183},       // ERROR_ALREADY_EXISTS
    {ENXIO, 21},         // ERROR_NOT_READY
    {ENODEV, 21},
    {EIO, 1117},         // ERROR_IO_DEVICE
};

}  // namespace

int Win32FromErrno(int err) {
    if (err == 0) return 0;
    for (const Row& r : kTable)
        if (r.err == err) return r.win32;
    return 31;  // ERROR_GEN_FAILURE
}

}  // namespace portlib::platform
