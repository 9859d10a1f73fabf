// Named-object requests: shared memory, mutexes (and events, through the
// generic request).
#include "PreserveClient.h"
#include "PreservePipeIo.h"
#include "PreserveReply.h"

#include <cstring>

namespace portlib {

int ProcessObjCmd(DWORD command, const char* name, int force, char* buffer, int length) {
    int fd = -1;
    int rc = createPPipe(0, &fd, length, buffer);
    if (rc != 0) return rc;
    rc = PreserveReply::WriteHeader(fd, kPreserveMagic, command, static_cast<DWORD>(force));
    if (rc == 0 && name != nullptr && *name != '\0') {
        std::size_t n = std::strlen(name) + 1;
        rc = PreservePipeIo::WriteWord(fd, static_cast<DWORD>(n));
        if (rc == 0) rc = PreservePipeIo::Write(fd, name, n);
    }
    PreserveReply reply;
    if (rc == 0) rc = reply.Read(fd, buffer, length);
    ClosePPipe(fd);
    return rc != 0 ? rc : static_cast<int>(reply.status);
}

int ProcessShmCmd(DWORD command, const char* name, int force, char* buffer, int length) {
    return ProcessObjCmd(command, name, force, buffer, length);
}

int ProcessMutexCmd(DWORD command, const char* name, int force, char* buffer, int length) {
    return ProcessObjCmd(command, name, force, buffer, length);
}

int PreserveShm(const char* name, char* buffer, int length) {
    return ProcessShmCmd(kPreserveStoreShm, name, 0, buffer, length);
}

int IsShmPreserved(const char* name, char* buffer, int length) {
    return ProcessShmCmd(kPreserveQueryShm, name, 0, buffer, length);
}

int ClearShm(const char* name, int force, char* buffer, int length) {
    return ProcessShmCmd(kPreserveClearShm, name, force, buffer, length);
}

int PreserveMutex(const char* name, char* buffer, int length) {
    return ProcessMutexCmd(kPreserveStoreMutex, name, 0, buffer, length);
}

int IsMutexPreserved(const char* name, char* buffer, int length) {
    return ProcessMutexCmd(kPreserveQueryMutex, name, 0, buffer, length);
}

int ClearMutex(const char* name, int force, char* buffer, int length) {
    return ProcessMutexCmd(kPreserveClearMutex, name, force, buffer, length);
}

int StopPreserveService() {
    int fd = -1;
    int rc = createPPipe(&fd);
    if (rc != 0) return rc;
    rc = PreserveReply::WriteHeader(fd, kPreserveStopMagic, kPreserveQueryPid, 0);
    ClosePPipe(fd);
    return rc;
}

}  // namespace portlib
