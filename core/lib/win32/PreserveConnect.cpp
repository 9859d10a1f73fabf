// Connecting to the object-persistence service and reading its data blocks.
#include "PreserveClient.h"
#include "PreservePipeIo.h"

#include "platform/NamedPipeConnect.h"
#include "platform/NamedPipeMode.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cstring>

namespace portlib {

int createPPipe(int /*trace*/, int* handle, int length, char* text) {
    if (handle == nullptr) return platform::HV_ERROR_INVALID_PARAMETER;
    *handle = -1;
    // Blocking, read as a byte stream (PreservePipeIo.h).
    const platform::PipeConnectOptions options{kPreserveWaitMs, platform::PipeReadMode::Byte, false};
    int fd = -1;
    int rc = platform::PipeConnect(kPreservePipeName, options, &fd);
    if (rc != platform::HV_ERROR_SUCCESS && rc != platform::HV_ERROR_FILE_NOT_FOUND) {
        // Busy or refused for the moment: wait once more and try again.
        rc = platform::PipeConnect(kPreservePipeName, options, &fd);
    }
    if (rc != platform::HV_ERROR_SUCCESS) {
        static constexpr char kText[] = "Win32 Error";
        if (text != nullptr && length > static_cast<int>(sizeof kText - 1)) std::memcpy(text, kText, sizeof kText);
        return rc;
    }
    *handle = fd;
    return platform::HV_ERROR_SUCCESS;
}

int createPPipe(int* handle) { return createPPipe(0, handle, 0, nullptr); }

void ClosePPipe(int handle) {
    if (handle >= 0) platform::PipeClose(handle);
}

int ReadPipeData(int handle, int length, char* buffer) {
    DWORD size = 0;
    int rc = PreservePipeIo::ReadWord(handle, &size);
    if (rc != 0) return rc;
    DWORD keep = 0;
    if (buffer != nullptr && length > 0) {
        keep = std::min<DWORD>(size, static_cast<DWORD>(length - 1));
        rc = PreservePipeIo::ReadExact(handle, buffer, keep);
        buffer[rc == 0 ? keep : 0] = '\0';
        if (rc != 0) return rc;
    }
    char drain[128];
    for (DWORD left = size - keep; left > 0;) {
        DWORD piece = std::min<DWORD>(left, sizeof drain);
        rc = PreservePipeIo::ReadExact(handle, drain, piece);
        if (rc != 0) return rc;
        left -= piece;
    }
    return platform::HV_ERROR_SUCCESS;
}

}  // namespace portlib
