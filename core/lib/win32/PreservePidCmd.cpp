// Process-id requests.
#include "PreserveClient.h"
#include "PreservePipeIo.h"
#include "PreserveReply.h"

#include "platform/Win32Error.h"

namespace portlib {

namespace {

// Header and pid; the reply's head, error word and data block. With
// `exitCode`, a zero status is followed by the 4-byte exit status.
int PidRequest(DWORD command, long pid, int force, char* buffer, int length, DWORD* exitCode) {
    int fd = -1;
    int rc = createPPipe(0, &fd, length, buffer);
    if (rc != 0) return rc;
    rc = PreserveReply::WriteHeader(fd, kPreserveMagic, command, static_cast<DWORD>(force));
    if (rc == 0) rc = PreservePipeIo::WriteWord(fd, static_cast<DWORD>(pid));
    PreserveReply reply;
    if (rc == 0) rc = reply.Read(fd, buffer, length);
    if (rc == 0 && exitCode != nullptr && reply.status == 0) rc = PreservePipeIo::ReadWord(fd, exitCode);
    ClosePPipe(fd);
    return rc != 0 ? rc : static_cast<int>(reply.status);
}

}  // namespace

int PreserveProcId(long pid, int errTextSize, char* errText) {
    return PidRequest(kPreserveStorePid, pid, 0, errText, errTextSize, nullptr);
}

int IsProcIdPreserved(long pid, char* buffer, int length) {
    return PidRequest(kPreserveQueryPid, pid, 0, buffer, length, nullptr);
}

int ClearProcId(long pid, int force, char* buffer, int length) {
    return PidRequest(kPreserveClearPid, pid, force, buffer, length, nullptr);
}

int QueryProcIdStatus(long pid, int length, char* buffer) {
    DWORD exitCode = 0;
    int rc = PidRequest(kPreservePidStatus, pid, 0, buffer, length, &exitCode);
    return rc != 0 ? rc : static_cast<int>(exitCode);
}

int CleanUpProcIds(char* buffer, int length) {
    int fd = -1;
    int rc = createPPipe(0, &fd, length, buffer);
    if (rc != 0) return rc;
    rc = PreserveReply::WriteHeader(fd, kPreserveMagic, kPreserveCleanUpPids, 0);
    PreserveReply reply;
    if (rc == 0) rc = reply.Read(fd, buffer, length);
    ClosePPipe(fd);
    return rc != 0 ? rc : static_cast<int>(reply.status);
}

}  // namespace portlib
