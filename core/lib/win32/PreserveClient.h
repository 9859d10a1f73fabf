// Client of the object-persistence service (the cluster service's
// "\\.\pipe\ProcPreserveService"), which holds processes and named objects
// open for others. One request per connection. All words 32-bit little-endian.
//   request: {magic 0x87654321, command, force flag or 0}, then a 4-byte pid
//            (process commands) or a 4-byte length (strlen + 1) and the name
//            with its zero (named commands; an empty name sends neither)
//   reply:   {magic, status, flags}; flag 0x20000: a 4-byte Win32 error word
//            follows; flag 0x40000: a data block follows (4-byte length, bytes)
// Results: a Win32 error of the connection or transfer, -1 for a short
// transfer, else the reply's status (0 success; 0x80000002 not held or not
// found; 0x80000006 a call of the service failed; 0x80000008 held twice).
// `buffer`/`length` receive the data block's text, always terminated.
#pragma once

#include "PortTypes.h"

namespace portlib {

inline constexpr const char* kPreservePipeName = "\\\\.\\pipe\\ProcPreserveService";
inline constexpr int kPreserveWaitMs = 1500;  // the service pipe's default time-out

inline constexpr DWORD kPreserveMagic = 0x87654321;
inline constexpr DWORD kPreserveStopMagic = 0x12345678;

enum PreserveCommand : DWORD {
    kPreserveStorePid = 0x1000001,
    kPreserveClearPid = 0x1000002,
    kPreserveQueryPid = 0x1000003,
    kPreserveDumpPids = 0x1000005,
    kPreserveCleanUpPids = 0x1000006,
    kPreservePidStatus = 0x1000007,  // exit status of a held process (259 while it runs)
    kPreserveStoreEvent = 0x3000001,
    kPreserveClearEvent = 0x3000002,
    kPreserveQueryEvent = 0x3000003,
    kPreserveDumpEvents = 0x3000005,
    kPreserveStoreShm = 0x4000001,
    kPreserveClearShm = 0x4000002,
    kPreserveQueryShm = 0x4000003,
    kPreserveDumpShm = 0x4000005,
    kPreserveStoreMutex = 0x5000001,
    kPreserveClearMutex = 0x5000002,
    kPreserveQueryMutex = 0x5000003,
    kPreserveDumpMutexes = 0x5000005,
};

inline constexpr DWORD kPreserveStatusNotFound = 0x80000002;
inline constexpr DWORD kPreserveStatusFailed = 0x80000006;
inline constexpr DWORD kPreserveStatusHeldTwice = 0x80000008;
inline constexpr DWORD kPreserveFlagErrorWord = 0x20000;
inline constexpr DWORD kPreserveFlagDataBlock = 0x40000;

// Connects (a busy pipe is waited for, one retry). 0 and the descriptor, or a
// Win32 error (2 when the service is not running); then "Win32 Error" goes
// into `text` when it fits with its terminator. `trace` is accepted and unused.
int createPPipe(int trace, int* handle, int length, char* text);
int createPPipe(int* handle);
// Closes a connection made by createPPipe.
void ClosePPipe(int handle);

// Reads a data block: its 4-byte length, then up to length - 1 bytes into
// buffer (terminated), the rest read and dropped in pieces of 128 bytes.
// 0 or the Win32 error.
int ReadPipeData(int handle, int length, char* buffer);

// One named-object request (shared memory, mutex, event commands alike).
int ProcessObjCmd(DWORD command, const char* name, int force, char* buffer, int length);
int ProcessShmCmd(DWORD command, const char* name, int force, char* buffer, int length);
int ProcessMutexCmd(DWORD command, const char* name, int force, char* buffer, int length);

int PreserveShm(const char* name, char* buffer = nullptr, int length = 0);
int IsShmPreserved(const char* name, char* buffer = nullptr, int length = 0);
int ClearShm(const char* name, int force, char* buffer = nullptr, int length = 0);
int PreserveMutex(const char* name, char* buffer = nullptr, int length = 0);
int IsMutexPreserved(const char* name, char* buffer = nullptr, int length = 0);
int ClearMutex(const char* name, int force, char* buffer = nullptr, int length = 0);

// Process ids.
int PreserveProcId(long pid, int errTextSize, char* errText);
int IsProcIdPreserved(long pid, char* buffer = nullptr, int length = 0);
int ClearProcId(long pid, int force = 0, char* buffer = nullptr, int length = 0);
int CleanUpProcIds(char* buffer = nullptr, int length = 0);
// The held process's exit status as the service reports it (259 while it
// runs); else the error or the reply's status.
int QueryProcIdStatus(long pid, int length, char* buffer);

// How a listing ends: with "Return code is 0x%x\n" every time, or only
// when it failed (the listing tools print nothing more on success).
enum class DumpReturnLine { Always, OnFailure };

// Listings, printed on the standard output; 0 or the error.
int DumpShmData();
// The same listing as the listing tool prints it: the return-code line only
// when it failed.
int DumpShmListing();
int DumpMutexData();
int DumpProcIdData();
// A named-object listing under the given column title line.
int DumpNamedObjects(DWORD command, const char* titleLine, DumpReturnLine returnLine = DumpReturnLine::Always);

// Events, through the generic named-object request.
int PreserveEvent(const char* name, char* buffer = nullptr, int length = 0);
int IsEventPreserved(const char* name, char* buffer = nullptr, int length = 0);
int ClearEvent(const char* name, int force, char* buffer = nullptr, int length = 0);
// The held events, listed as DumpShmData lists shared memory; the return-code
// line only when the listing failed.
int DumpEventData();

// Ends the service's pipe thread; no reply. 0 or the write's error.
int StopPreserveService();

}  // namespace portlib
