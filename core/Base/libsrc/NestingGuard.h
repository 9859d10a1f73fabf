// Counts how deep a recursive walk is on the calling thread, for the life of
// one level: walks over trees that came from elsewhere refuse to go deeper
// than their limit instead of running out of stack.
#pragma once

class NestingGuard {
public:
    // step 0: a walk's start that is no level of its own.
    explicit NestingGuard(int& depth, int step = 1) noexcept : depth(depth), step(step) { depth += step; }
    ~NestingGuard() { depth -= step; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

    // 1 when this level lies beyond limit levels.
    int Beyond(int limit) const noexcept { return depth > limit ? 1 : 0; }

private:
    int& depth;
    int step;
};
