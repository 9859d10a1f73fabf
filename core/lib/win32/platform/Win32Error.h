// The Win32 result numbers that callers of the platform layer branch on.
#pragma once

namespace portlib::platform {

enum Win32Error : int {
    HV_ERROR_SUCCESS = 0,
    HV_ERROR_FILE_NOT_FOUND = 2,
    HV_ERROR_ACCESS_DENIED = 5,
    HV_ERROR_NOT_ENOUGH_MEMORY = 8,
    HV_ERROR_INVALID_DATA = 13,
    HV_ERROR_BAD_NETPATH = 53,
    HV_ERROR_INVALID_PARAMETER = 87,
    HV_ERROR_BROKEN_PIPE = 109,
    HV_ERROR_SEM_TIMEOUT = 121,
    HV_ERROR_FILENAME_EXCED_RANGE = 206,
    HV_ERROR_BAD_PIPE = 230,
    HV_ERROR_PIPE_BUSY = 231,
    HV_ERROR_NO_DATA = 232,
    HV_ERROR_PIPE_NOT_CONNECTED = 233,
    HV_ERROR_MORE_DATA = 234,
    HV_ERROR_NO_MORE_ITEMS = 259,
    HV_ERROR_IO_PENDING = 997,
};

}  // namespace portlib::platform
