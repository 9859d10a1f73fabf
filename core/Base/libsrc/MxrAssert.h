// Programming errors (a bad index, a broken invariant) stop the process with
// one line naming the failed condition and the unit that checked it. Active in
// every build type: these checks guard memory, not just debugging.
#pragma once

[[noreturn]] void MxrAssertFail(const char* condition, const char* source, int line);

// MXR_ASSERT(cond, "text", "Source"): "text" is the condition as the
// diagnostic shows it, "Source" the unit's name (without extension).
#define MXR_ASSERT(cond, text, source) \
    ((cond) ? static_cast<void>(0) : MxrAssertFail((text), (source), __LINE__))
