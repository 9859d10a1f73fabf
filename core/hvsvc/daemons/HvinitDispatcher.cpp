#include "HvinitDispatcher.h"

#include "HvinitConfigLine.h"
#include "libHVinit.h"
#include "qdberr.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hvsvc {

namespace {

constexpr int kUpdateFields = 14;
constexpr std::size_t kInstanceLimit = 30;  // a cluster-instance name is shorter
constexpr const char* kNames[] = {"",     "CONFIGN", "CONFINQ",  "DELGRPNMUM", "EXITVAL", "FORK",      "GETGRPNUM",
                                  "KILL", "RECOVER", "SVRREADY", "TELLSTATE",  "UPDATE",  "UPDATECONF"};

bool Unchanged(const char* field) { return std::strcmp(field, "-") == 0; }

std::string ProgramOf(const char* command) {
    char part[hvinit::kCommandBytes];
    cut_at_bar(command, part, sizeof part);
    return part;
}

// A decimal number in 0..128, the whole field.
bool GroupNumber(const char* field, int* group) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(field, &end, 10);
    if (errno != 0 || end == field || *end != '\0' || v < 0 || v > hvinit::kGroupCount) return false;
    *group = static_cast<int>(v);
    return true;
}

}  // namespace

int HvinitDispatcher::FindSlot(const char* command) const {
    const std::string program = ProgramOf(command);
    for (int n = 0; n < hvinit::kSlotCount; ++n) {
        const hvinit::HvinitSlot& s = table_->slots[n];
        if (s.inUse != 1) continue;
        char stored[hvinit::kCommandBytes];
        std::memcpy(stored, s.command, sizeof stored);
        stored[sizeof stored - 1] = '\0';
        if (ProgramOf(stored) == program) return n;
    }
    return -1;
}

void HvinitDispatcher::Dispatch(const char* request, std::size_t length, char* reply, Origin origin) {
    std::memset(reply, 0, kReplyBytes);
    // A request that fills the whole buffer is terminated after its bytes.
    char text[kRequestBytes + 1];
    const std::size_t n = length < kRequestBytes ? length : kRequestBytes;
    std::memcpy(text, request, n);
    text[n] = '\0';
    char fields[3][hvinit::kFieldBytes] = {};
    split_args(text, fields, 3);
    const int command = std::atoi(fields[0]);
    const char* arg1 = fields[1];
    const char* arg2 = fields[2];
    if (command >= 1 && command <= 12) std::printf("%s\n", kNames[command]);

    auto put = [reply](const char* format, auto... values) { std::snprintf(reply, kReplyBytes, format, values...); };
    switch (command) {
    case hvinit::kCmdNone: return;
    case hvinit::kCmdConfign: put("%d", editor_.CommentOutDuplicate(arg1)); return;
    case hvinit::kCmdConfinq: put("%d", editor_.Holds(arg1)); return;
    case hvinit::kCmdDelGrpNum: put("%d", DeleteGroupNumber(arg1)); return;
    case hvinit::kCmdExitVal: {
        const int slot = FindSlot(arg1);
        put("%d", slot < 0 ? -1 : table_->slots[slot].exitValue);
        return;
    }
    case hvinit::kCmdFork:
    case hvinit::kCmdRecover: {
        StartedProcess p;
        if (!processes_.Start(arg1, command == hvinit::kCmdRecover, &p)) {
            put("%ld", -2L);
            return;
        }
        if (origin == Origin::Pipe && p.handle > 1) {
            system_.Close(p.handle);
            p.handle = 0;
        }
        put("%ld %ld", static_cast<long>(p.pid), static_cast<long>(p.handle));
        return;
    }
    case hvinit::kCmdGetGrpNum: put("%d", GetGroupNumber(arg1)); return;
    case hvinit::kCmdKill: put("%d", processes_.Kill(std::atol(arg1), std::atoi(arg2))); return;
    case hvinit::kCmdSvrReady: put("%d", table_->header.serverReady); return;
    case hvinit::kCmdTellState: put("%d", 1); return;
    case hvinit::kCmdUpdate: put("%d", Update(arg1, std::atoi(arg2))); return;
    case hvinit::kCmdUpdateConf: put("%d", editor_.Update(arg1, std::atoi(arg2))); return;
    default:
        std::printf("default UNKNOWN command\n");
        pxm_err(3, 19136, __FILE__, __LINE__, 0, 0, "Unknown command %d.\n", command);
        put("%d", -1);
        return;
    }
}

void HvinitDispatcher::Apply(int n, char (*f)[256]) {
    hvinit::HvinitSlot& s = table_->slots[n];
    auto number = [&](int i, std::int32_t* field) {
        if (!Unchanged(f[i])) *field = std::atoi(f[i]);
    };
    if (!Unchanged(f[1])) {
        const long pid = std::atol(f[1]);
        const std::int32_t next = pid < INT_MIN || pid > INT_MAX ? -1 : static_cast<std::int32_t>(pid);
        // A handle is about one process: another pid is looked up afresh.
        if (next != s.pid) handles_.Drop(n);
        s.pid = next;
    }
    number(2, &s.groupNumber);
    if (!Unchanged(f[3])) std::snprintf(s.instanceName, sizeof s.instanceName, "%s", f[3]);
    number(4, &s.pollTime);
    number(5, &s.restartCount);
    number(6, &s.restartInterval);
    number(7, &s.restartTimeUnit);
    if (!Unchanged(f[8])) std::snprintf(s.fileName, sizeof s.fileName, "%s", f[8]);
    number(9, &s.nextPollTime);
    number(10, &s.failCount);
    number(11, &s.windowEnd);
    if (!Unchanged(f[12])) s.state = f[12][0];
    number(13, &s.registrationTag);
    if (!Unchanged(f[1]) && s.pid > 1) s.lastStartedPid = s.pid;
}

int HvinitDispatcher::Update(const char* record, int type) {
    char text[kRequestBytes + 1];
    std::snprintf(text, sizeof text, "%s", record);
    blank_pair(text, ':');
    char fields[kUpdateFields + 1][hvinit::kFieldBytes] = {};
    const int count = split_args(text, fields, kUpdateFields + 1);
    if (count != kUpdateFields) {
        pxm_err(3, 19141, __FILE__, __LINE__, 0, 0,
                "number of arguments to update the shared memory segment is incorrect; data=%s; number of arg=%d.",
                record, count);
        return -2;
    }
    // Nothing changes unless every text fits its slot field and the group is in the table.
    int group = 0;
    if ((!Unchanged(fields[2]) && !GroupNumber(fields[2], &group)) ||
        (!Unchanged(fields[3]) && std::strlen(fields[3]) >= kInstanceLimit) ||
        (!Unchanged(fields[8]) && std::strlen(fields[8]) >= hvinit::kFileNameBytes)) {
        pxm_err(3, 19141, __FILE__, __LINE__, 0, 0,
                "A field to update the shared memory segment is out of range; data=%s.", record);
        return -2;
    }
    const char* command = fields[0];
    const int slot = FindSlot(command);
    if (slot >= 0) {
        hvinit::HvinitSlot& s = table_->slots[slot];
        if (type == 1) {
            handles_.Drop(slot);
            s.inUse = 0;
            ++table_->header.freeSlots;
            pxm_err(6, 19142, __FILE__, __LINE__, 0, 0, "Successfully unregistered the process %s from HV-init.\n",
                    command);
            return slot;
        }
        if (!(s.state == hvinit::kStateKilled && s.pid < 1)) Apply(slot, fields);
        return slot;
    }
    if (type == 1) return -1;
    if (type != 0) {
        pxm_err(3, 19146, __FILE__, __LINE__, 0, 0, "Cannot update the process %s: not found\n", command);
        return -2;
    }
    if (table_->header.freeSlots <= 0) {
        pxm_err(3, 19145, __FILE__, __LINE__, 0, 0,
                "Holdervane PXM HV-init can only monitor %d processes.\nProcess %s has been started but will NOT be "
                "monitored by HV-init.\n",
                hvinit::kSlotCount, command);
        return -2;
    }
    int n = 0;
    while (n < hvinit::kSlotCount && table_->slots[n].inUse != 0) ++n;
    if (n == hvinit::kSlotCount) {
        pxm_err(3, 19143, __FILE__, __LINE__, 0, 0,
                "HV-init Shared Memory Segment corrupted; Stop (hvi_stop) and restart (hvi_start) HV-init.\n");
        return -2;
    }
    hvinit::HvinitSlot& s = table_->slots[n];
    table_->header.groupStates[group] = hvinit::kGroupUsed;
    std::snprintf(s.command, sizeof s.command, "%s", command);
    handles_.Drop(n);
    Apply(n, fields);
    --table_->header.freeSlots;
    s.inUse = 1;
    pxm_err(6, 19144, __FILE__, __LINE__, 0, 0, "Successfully registered the process %s with HV-init for monitoring.\n",
            command);
    return n;
}

int HvinitDispatcher::GetGroupNumber(const char* arg) {
    if (is_pid_text(arg)) {
        const long pid = std::atol(arg);
        if (pid == -1) {
            for (int g = 1; g <= hvinit::kGroupCount; ++g) {
                if (table_->header.groupStates[g] == hvinit::kGroupFree) {
                    table_->header.groupStates[g] = hvinit::kGroupHandedOut;
                    return g;
                }
            }
            pxm_err(3, 19170, __FILE__, __LINE__, 0, 0,
                    "All %d fault resilient group numbers have been used;\nOut of fault resilient group number.\n",
                    hvinit::kGroupCount);
            return -2;
        }
        if (pid <= 0) return -1;
        for (const hvinit::HvinitSlot& s : table_->slots)
            if (s.inUse == 1 && s.pid == pid) return s.groupNumber;
        return -1;
    }
    const int slot = FindSlot(arg);
    return slot < 0 ? -1 : table_->slots[slot].groupNumber;
}

int HvinitDispatcher::DeleteGroupNumber(const char* arg) {
    int group = 0;
    if (!GroupNumber(arg, &group)) return 0;
    for (const hvinit::HvinitSlot& s : table_->slots)
        if (s.inUse == 1 && s.groupNumber == group) return 0;
    table_->header.groupStates[group] = hvinit::kGroupFree;
    return 0;
}

}  // namespace hvsvc
