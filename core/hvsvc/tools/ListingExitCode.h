// The exit code of a listing tool: its result passed on, as far as 8 bits
// carry it.
#pragma once

namespace hvtools {

// 0 for 0; else the result's low 8 bits, or 1 when those are 0 (0x80000100
// must not read as success).
inline int ListingExitCode(int result) {
    if (result == 0) return 0;
    const int low = result & 0xFF;
    return low == 0 ? 1 : low;
}

}  // namespace hvtools
