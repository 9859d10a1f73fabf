#include "HeldPidTable.h"

#include "HeldTableScan.h"
#include "PreserveStatus.h"

#include <climits>

namespace hvsvc {

HeldPidTable::Entry* HeldPidTable::FindHeld(std::int32_t pid) {
    for (Entry& e : entries_)
        if (e.Held() && e.pid == pid) return &e;
    return nullptr;
}

const HeldPidTable::Entry* HeldPidTable::FindHeld(std::int32_t pid) const {
    for (const Entry& e : entries_)
        if (e.Held() && e.pid == pid) return &e;
    return nullptr;
}

PreserveResult HeldPidTable::Store(std::int32_t pid) {
    if (pid <= 0) return PreserveResult::Failed(kPreserveStatusNotFound, 87);
    const HeldTableScan<Entry> scan = ScanHeldTable(entries_, [pid](const Entry& e) { return e.Held() && e.pid == pid; });
    Entry* match = scan.match;
    Entry* free = scan.free;
    if (scan.matches > 1) return PreserveResult::Status(kPreserveStatusHeldTwice);
    if (match != nullptr && !match->process.Ended()) {
        if (match->refs == INT_MAX) return PreserveResult::Failed(kPreserveStatusFailed, kWin32OutOfMemory);
        ++match->refs;
        return PreserveResult::Ok();
    }
    if (match != nullptr) {
        // The held process has ended and its pid now names another one: the
        // entry goes over to the new process.
        HeldProcess fresh;
        const int err = fresh.Open(pid);
        if (err != 0) return PreserveResult::Failed(kPreserveStatusNotFound, static_cast<std::uint32_t>(err));
        match->process = std::move(fresh);
        match->refs = 1;
        return PreserveResult::Ok();
    }
    HeldProcess process;
    const int err = process.Open(pid);
    if (err != 0) return PreserveResult::Failed(kPreserveStatusNotFound, static_cast<std::uint32_t>(err));
    if (free == nullptr && (free = GrowHeldTable(entries_)) == nullptr)
        return PreserveResult::Failed(kPreserveStatusFailed, kWin32OutOfMemory);
    free->pid = pid;
    free->process = std::move(process);
    free->refs = 1;
    return PreserveResult::Ok();
}

PreserveResult HeldPidTable::Clear(std::int32_t pid) {
    Entry* e = FindHeld(pid);
    if (e == nullptr) return PreserveResult::Status(kPreserveStatusNotFound);
    if (--e->refs == 0) {
        e->process.Close();
        e->pid = 0;
    }
    return PreserveResult::Ok();
}

PreserveResult HeldPidTable::Query(std::int32_t pid) const {
    return FindHeld(pid) != nullptr ? PreserveResult::Ok() : PreserveResult::Status(kPreserveStatusNotFound);
}

PreserveResult HeldPidTable::Status(std::int32_t pid, std::uint32_t* exitCode) const {
    const Entry* e = FindHeld(pid);
    if (e == nullptr) return PreserveResult::Status(kPreserveStatusNotFound);
    const int err = e->process.ExitCode(exitCode);
    if (err != 0) return PreserveResult::Failed(kPreserveStatusFailed, static_cast<std::uint32_t>(err));
    return PreserveResult::Ok();
}

void HeldPidTable::CleanUp() {
    for (Entry& e : entries_) {
        const bool used = e.pid != 0 && e.process.IsOpen() && e.refs > 0;
        if (!used && !e.Free()) {
            e.process.Close();
            e.pid = 0;
            e.refs = 0;
        }
    }
}

std::vector<PidRecord> HeldPidTable::Dump() const {
    std::vector<PidRecord> records;
    for (const Entry& e : entries_) {
        if (e.Free()) continue;
        records.push_back({e.pid, static_cast<std::uint32_t>(e.process.Handle()), e.refs});
    }
    return records;
}

}  // namespace hvsvc
