// Counts every operator new of the program that links AllocCounter.cpp,
// made from one thread at a time (the count is not a locked add).
#pragma once

#include <atomic>

// The allocations counted so far by this process.
unsigned long AllocCount();
// Counts from now on into counter (shared memory, say) instead.
void SetAllocCounter(std::atomic<unsigned long>* counter);
