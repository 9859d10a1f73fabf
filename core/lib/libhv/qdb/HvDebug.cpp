// hv_debug: the debug trace. A disabled trace costs one flag lookup; an
// enabled one is formatted into the thread's own buffer, sized from the
// length estimate, and reported at severity 7.
#include "DebugFlags.h"
#include "ErrIdentity.h"
#include "FormatEstimate.h"
#include "qdberr.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr std::size_t kFirstTraceBuffer = 8192;

// The buffer and the re-entry mark belong to the thread, so traces of
// several threads never share or reallocate one buffer.
struct TraceState {
    char* buffer = nullptr;
    std::size_t size = 0;
    bool active = false;
    TraceState() = default;
    TraceState(const TraceState&) = delete;
    TraceState& operator=(const TraceState&) = delete;
    ~TraceState() { std::free(buffer); }
};

thread_local TraceState t_trace;

struct ActiveHold {
    ActiveHold() { t_trace.active = true; }
    ~ActiveHold() { t_trace.active = false; }
    ActiveHold(const ActiveHold&) = delete;
    ActiveHold& operator=(const ActiveHold&) = delete;
};

// Makes the buffer at least `want` bytes; false (and no buffer) when memory
// cannot be had, so the next trace allocates again.
bool EnsureBuffer(std::size_t want) {
    if (t_trace.buffer != nullptr && t_trace.size >= want) return true;
    std::size_t size = t_trace.buffer == nullptr ? std::max(kFirstTraceBuffer, want) : want;
    char* grown = static_cast<char*>(std::realloc(t_trace.buffer, size));
    if (grown == nullptr) {
        std::free(t_trace.buffer);
        t_trace.buffer = nullptr;
        t_trace.size = 0;
        return false;
    }
    t_trace.buffer = grown;
    t_trace.size = size;
    return true;
}


}  // namespace

extern "C" void hv_debug(const char* file, int line, const char* category, const char* format, ...) {
    if (t_trace.active) return;
    ActiveHold hold;
    cfgstore::DebugFlagTestFn hasFlag = cfgstore::GetDebugFlagTest();
    if (category != nullptr && hasFlag(category, 1) != 1) return;

    va_list args;
    va_start(args, format);
    va_list probe;
    va_copy(probe, args);
    std::size_t estimate = cfgstore::EstimateFormatLength(format, probe);
    va_end(probe);
    if (!EnsureBuffer(2 * estimate)) {
        va_end(args);
        return;
    }
    int n = std::vsnprintf(t_trace.buffer, t_trace.size, format ? format : "", args);
    va_end(args);
    if (n < 0 || static_cast<std::size_t>(n) >= t_trace.size) {
        cfgstore::NoticeToStderr("hv_debug: message buffer overflow!\n");
        return;
    }

    int setflags = 0;
    int clrflags = 0;
    if (hasFlag("#debug_to_log", 0) == 1) setflags |= PXM_EVENTLOG;
    if (hasFlag("#debug_to_stderr", 0) == 1) setflags |= PXM_STDERR;
    if (hasFlag("#debug_no_stderr", 0) == 1) clrflags |= PXM_STDERR;
    pxm_err(7, 0, file, line, setflags, clrflags, "%s", t_trace.buffer);
}
