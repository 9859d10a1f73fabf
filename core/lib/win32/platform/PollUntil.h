// A bounded wait for a condition that nothing signals: look, and while it
// does not hold, sleep a step (never past the limit) and look again. For
// start-up waits on a word or a file; never for an event loop.
#pragma once

#include <cstdint>
#include <ctime>
#include <unistd.h>

namespace portlib::platform {

inline std::int64_t MonotonicNowMs() {
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// True as soon as done() holds; false once limitMs (negative: no limit) has
// passed without it. *waitedMs (when given) receives the time spent.
template <typename Done>
bool PollUntil(Done done, std::int64_t limitMs, std::int64_t stepMs, std::int64_t* waitedMs = nullptr) {
    const std::int64_t start = MonotonicNowMs();
    for (;;) {
        if (done()) {
            if (waitedMs) *waitedMs = MonotonicNowMs() - start;
            return true;
        }
        const std::int64_t waited = MonotonicNowMs() - start;
        if (limitMs >= 0 && waited >= limitMs) {
            if (waitedMs) *waitedMs = waited;
            return false;
        }
        std::int64_t nap = stepMs < 1 ? 1 : stepMs;
        if (limitMs >= 0 && limitMs - waited < nap) nap = limitMs - waited;
        ::usleep(static_cast<useconds_t>(nap * 1000));
    }
}

}  // namespace portlib::platform
