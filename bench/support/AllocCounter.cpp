// The program's replacements of operator new and delete, counting calls.
// In a unit of its own, so that no caller sees malloc behind new.
#include "AllocCounter.h"

#include <cstdlib>
#include <new>

namespace {
std::atomic<unsigned long> ownCount{0};
std::atomic<unsigned long>* counter = &ownCount;

// Each process allocates from one thread here, so the count is bumped
// without a locked add: the counting must not cost what it counts.
void* Counted(std::size_t n) {
    counter->store(counter->load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return std::malloc(n != 0 ? n : 1);
}
}  // namespace

unsigned long AllocCount() { return counter->load(std::memory_order_relaxed); }
void SetAllocCounter(std::atomic<unsigned long>* c) { counter = c; }

void* operator new(std::size_t n) {
    if (void* p = Counted(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = Counted(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Counted(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Counted(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
