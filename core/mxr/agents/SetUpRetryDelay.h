// The wait before the next try of a path's set-up (a connect, a serial port)
// after a failed one: short at first, so that a peer that was only a moment
// late (its agent not listening yet, a line not there yet) is met within
// seconds; doubled after each further failure up to the bound, so that an
// absent peer costs one try per bound. Both values are given already scaled
// by the test time scale.
#pragma once

// lastMs: the wait before the try that failed (0: none yet, the first try).
inline unsigned NextSetUpRetryMs(unsigned lastMs, unsigned firstMs, unsigned boundMs) {
    if (firstMs > boundMs) firstMs = boundMs;
    if (lastMs == 0) return firstMs;
    if (lastMs >= boundMs / 2) return boundMs;
    return lastMs * 2 < firstMs ? firstMs : lastMs * 2;
}
