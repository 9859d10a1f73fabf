#include "platform/NamedPipeMode.h"

#include "platform/NamedPipeErrno.h"
#include "platform/NamedPipeSideTable.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace portlib::platform {

int PipeSetReadMode(int fd, PipeReadMode mode) {
    if (fd < 0 || ::fcntl(fd, F_GETFD) < 0) return HV_ERROR_INVALID_HANDLE;
    auto entry = PipeSideTable::Instance().FindOrAdd(fd);
    std::lock_guard<std::mutex> lock(entry->mu);
    entry->mode = mode;
    PipeSideTable::Instance().Note(fd, *entry);
    return 0;
}

int PipeGetReadMode(int fd, PipeReadMode* mode) {
    if (fd < 0 || ::fcntl(fd, F_GETFD) < 0) return HV_ERROR_INVALID_HANDLE;
    PipeReadMode m = PipeReadMode::Message;
    if (auto entry = PipeSideTable::Instance().Find(fd)) {
        std::lock_guard<std::mutex> lock(entry->mu);
        m = entry->mode;
    }
    if (mode) *mode = m;
    return 0;
}

int PipeSetBlocking(int fd, bool blocking) {
    if (fd < 0) return HV_ERROR_INVALID_HANDLE;
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return PipeErrorFromErrno(errno);
    int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    if (wanted != flags && ::fcntl(fd, F_SETFL, wanted) != 0) return PipeErrorFromErrno(errno);
    return 0;
}

bool PipeMayBlock(int fd) {
    const int flags = fd < 0 ? -1 : ::fcntl(fd, F_GETFL);
    return flags < 0 || (flags & O_NONBLOCK) == 0;
}

int PipeClose(int fd) {
    if (fd < 0) return HV_ERROR_INVALID_HANDLE;
    // Forget first: once closed, the number may belong to someone else.
    PipeSideTable::Instance().Drop(fd);
    // Linux releases the descriptor even when close reports EINTR.
    if (::close(fd) != 0 && errno != EINTR) return PipeErrorFromErrno(errno);
    return 0;
}

}  // namespace portlib::platform
