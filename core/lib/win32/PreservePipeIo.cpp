#include "PreservePipeIo.h"

#include "platform/NamedPipeIo.h"
#include "platform/Win32Error.h"

namespace portlib {

using namespace platform;

int PreservePipeIo::Write(int fd, const void* data, std::size_t n) {
    std::size_t written = 0;
    int rc = PipeWrite(fd, data, n, &written);
    // NT reports a write to a pipe whose other end has closed as "the pipe is
    // being closed"; callers of the client know that number.
    return rc == HV_ERROR_BROKEN_PIPE ? HV_ERROR_NO_DATA : rc;
}

int PreservePipeIo::WriteWord(int fd, DWORD word) {
    unsigned char b[4];
    PutWord(b, word);
    return Write(fd, b, sizeof b);
}

int PreservePipeIo::ReadExact(int fd, void* data, std::size_t n) {
    auto* out = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < n) {
        std::size_t got = 0;
        int rc = PipeRead(fd, out + done, n - done, &got);
        if (rc == HV_ERROR_BROKEN_PIPE) return done == 0 ? HV_ERROR_BROKEN_PIPE : -1;
        if (rc != 0) return rc;
        done += got;
    }
    return HV_ERROR_SUCCESS;
}

int PreservePipeIo::ReadWord(int fd, DWORD* word) {
    unsigned char b[4];
    int rc = ReadExact(fd, b, sizeof b);
    if (rc == 0) *word = WordAt(b);
    return rc;
}

DWORD PreservePipeIo::WordAt(const unsigned char* b) {
    return static_cast<DWORD>(b[0]) | static_cast<DWORD>(b[1]) << 8 | static_cast<DWORD>(b[2]) << 16 |
           static_cast<DWORD>(b[3]) << 24;
}

void PreservePipeIo::PutWord(unsigned char* b, DWORD word) {
    for (int k = 0; k < 4; ++k) b[k] = static_cast<unsigned char>(word >> (8 * k));
}

}  // namespace portlib
