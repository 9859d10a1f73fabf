// The processes the object-persistence server holds, with their reference
// counts. An array that grows by 10 entries and never shrinks; lookups are
// linear scans. Touched by the server thread only.
#pragma once

#include "HeldProcess.h"

#include <cstdint>
#include <vector>

namespace hvsvc {

// The answer to one request: the reply's status, and the Win32 error that
// follows it when hasError is set.
struct PreserveResult {
    std::uint32_t status = 0;
    bool hasError = false;
    std::uint32_t error = 0;

    static PreserveResult Ok() { return {}; }
    static PreserveResult Status(std::uint32_t status) { return {status, false, 0}; }
    static PreserveResult Failed(std::uint32_t status, std::uint32_t error) { return {status, true, error}; }
};

struct PidRecord {
    std::int32_t pid;
    std::uint32_t handle;
    std::int32_t refs;
};

class HeldPidTable {
public:
    PreserveResult Store(std::int32_t pid);
    PreserveResult Clear(std::int32_t pid);
    PreserveResult Query(std::int32_t pid) const;
    // Status 0 and *exitCode, or the failure.
    PreserveResult Status(std::int32_t pid, std::uint32_t* exitCode) const;
    // Zeroes every entry that is neither wholly used nor wholly free.
    void CleanUp();
    // Every entry with any field set.
    std::vector<PidRecord> Dump() const;
    std::size_t Capacity() const { return entries_.size(); }

private:
    struct Entry {
        std::int32_t pid = 0;
        HeldProcess process;
        std::int32_t refs = 0;
        bool Held() const { return refs > 0; }
        bool Free() const { return pid == 0 && !process.IsOpen() && refs == 0; }
    };
    Entry* FindHeld(std::int32_t pid);
    const Entry* FindHeld(std::int32_t pid) const;

    std::vector<Entry> entries_;
};

}  // namespace hvsvc
