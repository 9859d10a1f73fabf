// Listings of what the object-persistence service holds.
#include "PreserveClient.h"
#include "PreservePipeIo.h"
#include "PreserveReply.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace portlib {

namespace {

constexpr std::size_t kNameField = 264;
constexpr std::size_t kObjectRecord = kNameField + 8;  // name, handle, reference count
constexpr std::size_t kPidRecord = 12;                 // pid, handle, reference count
constexpr const char* kRule = "\t====================\t==========\t==========\n";

enum class DumpKind { Named, Pids };

int Dump(DWORD command, DumpKind kind, const char* titleLine, const char* ruleLine,
         DumpReturnLine returnLine = DumpReturnLine::Always) {
    int fd = -1;
    int rc = createPPipe(&fd);
    if (rc != 0) return rc;
    rc = PreserveReply::WriteHeader(fd, kPreserveMagic, command, 0);
    PreserveReply reply;
    if (rc == 0) rc = reply.ReadHead(fd);
    if (rc == 0 && (reply.flags & (kPreserveFlagErrorWord | kPreserveFlagDataBlock))) {
        if (reply.flags & kPreserveFlagDataBlock) {
            char drain[128];
            rc = ReadPipeData(fd, sizeof drain, drain);
        }
        if (rc == 0) rc = static_cast<int>(reply.status);
        if (rc != 0 || returnLine == DumpReturnLine::Always)
            std::printf("Return code is 0x%x\n", static_cast<unsigned>(rc));
        std::fflush(stdout);
        ClosePPipe(fd);
        return rc;
    }
    DWORD count = 0;
    if (rc == 0) rc = PreservePipeIo::ReadWord(fd, &count);
    if (rc == 0 && static_cast<std::int32_t>(count) > 0) {
        std::fputs(titleLine, stdout);
        std::fputs(ruleLine, stdout);
        unsigned char rec[kObjectRecord];
        std::size_t size = kind == DumpKind::Named ? kObjectRecord : kPidRecord;
        // Records are read one by one: the count is the server's word and
        // sizes nothing here.
        for (std::int32_t i = 1; i <= static_cast<std::int32_t>(count); ++i) {
            rc = PreservePipeIo::ReadExact(fd, rec, size);
            if (rc != 0) break;
            if (kind == DumpKind::Named) {
                char name[kNameField + 1];
                std::memcpy(name, rec, kNameField);
                name[kNameField] = '\0';
                DWORD handle = PreservePipeIo::WordAt(rec + kNameField);
                std::int32_t refs = static_cast<std::int32_t>(PreservePipeIo::WordAt(rec + kNameField + 4));
                if (refs != 0)
                    std::printf("%d\t%-20s\t0x%08x\t%d\n", i, name, static_cast<unsigned>(handle), refs);
                else
                    std::printf("%d\t(empty)\n", i);
            } else {
                std::int32_t pid = static_cast<std::int32_t>(PreservePipeIo::WordAt(rec));
                DWORD handle = PreservePipeIo::WordAt(rec + 4);
                std::int32_t refs = static_cast<std::int32_t>(PreservePipeIo::WordAt(rec + 8));
                if (refs != 0)
                    std::printf("%d\t%d\t\t0x%x\t\t%d\n", i, pid, static_cast<unsigned>(handle), refs);
                else
                    std::printf("%d\t(empty)\n", i);
            }
        }
    }
    if (rc == 0) rc = static_cast<int>(reply.status);
    if (rc != 0 || returnLine == DumpReturnLine::Always)
        std::printf("Return code is 0x%x\n", static_cast<unsigned>(rc));
    std::fflush(stdout);
    ClosePPipe(fd);
    return rc;
}

}  // namespace

int DumpNamedObjects(DWORD command, const char* titleLine, DumpReturnLine returnLine) {
    return Dump(command, DumpKind::Named, titleLine, kRule, returnLine);
}

namespace {
constexpr const char* kShmTitle = "\tSHARED MEMORY NAME  \tHANDLE    \tREF COUNT\n";
}

int DumpShmData() { return DumpNamedObjects(kPreserveDumpShm, kShmTitle); }

int DumpShmListing() { return DumpNamedObjects(kPreserveDumpShm, kShmTitle, DumpReturnLine::OnFailure); }

int DumpMutexData() {
    return DumpNamedObjects(kPreserveDumpMutexes, "\tMUTEX NAME          \tHANDLE    \tREF. COUNT\n");
}

int DumpProcIdData() {
    return Dump(kPreserveDumpPids, DumpKind::Pids, "\tPID\t\tHV_INIT HANDLE\t\tREF. COUNT\n",
                "\t=======\t\t==============\t\t=========\n");
}

}  // namespace portlib
