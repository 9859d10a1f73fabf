#include "BlockPool.h"

#include <new>

namespace {

constexpr std::size_t kStep = 16;
constexpr std::size_t kClasses = BlockPool::MaxSize / kStep;

struct FreeBlock {
    FreeBlock* next;
};

// Plain thread-local words, valid for the thread's whole life (also while
// other thread-local objects are destroyed).
constinit thread_local FreeBlock* heads[kClasses] __attribute__((tls_model("initial-exec"))) = {};
constinit thread_local int kept[kClasses] __attribute__((tls_model("initial-exec"))) = {};
// 0 not yet armed, 1 armed (the drain runs at thread end), 2 drained.
constinit thread_local int state __attribute__((tls_model("initial-exec"))) = 0;

// The class of size (0 for 1..16 bytes), or kClasses when not kept.
std::size_t ClassOf(std::size_t size) { return size == 0 || size > BlockPool::MaxSize ? kClasses : (size - 1) / kStep; }

void FreeAll() {
    for (std::size_t c = 0; c < kClasses; ++c) {
        while (heads[c] != nullptr) {
            FreeBlock* b = heads[c];
            heads[c] = b->next;
            ::operator delete(static_cast<void*>(b));
        }
        kept[c] = 0;
    }
}

// Frees the thread's blocks when the thread ends; later releases go straight
// to the heap.
struct Drain {
    ~Drain() {
        FreeAll();
        state = 2;
    }
};
thread_local Drain drain;

}  // namespace

void* BlockPool::Take(std::size_t size) noexcept {
    const std::size_t c = ClassOf(size);
    if (c == kClasses) return ::operator new(size, std::nothrow);
    if (FreeBlock* b = heads[c]) {
        heads[c] = b->next;
        --kept[c];
        return b;
    }
    // The whole class's size, so that the block serves any size of it.
    return ::operator new((c + 1) * kStep, std::nothrow);
}

namespace {

// Give's way for all but a kept block of an armed pool: the heap, or the
// first block that arms the drain. Out of line, so that the common way saves
// no registers.
[[gnu::noinline]] void GiveSlowly(void* block, std::size_t c) noexcept {
    if (c == kClasses || state == 2 || static_cast<std::size_t>(kept[c] + 1) * (c + 1) * kStep > BlockPool::MaxKeptBytes) {
        ::operator delete(block);
        return;
    }
    if (state == 0) {
        Drain* volatile armed = &drain;  // the first use arms the drain at thread end
        static_cast<void>(armed);
        state = 1;
    }
    FreeBlock* b = static_cast<FreeBlock*>(block);
    b->next = heads[c];
    heads[c] = b;
    ++kept[c];
}

}  // namespace

void BlockPool::Give(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    const std::size_t c = ClassOf(size);
    if (c == kClasses || state != 1 || static_cast<std::size_t>(kept[c] + 1) * (c + 1) * kStep > MaxKeptBytes) {
        GiveSlowly(block, c);
        return;
    }
    FreeBlock* b = static_cast<FreeBlock*>(block);
    b->next = heads[c];
    heads[c] = b;
    ++kept[c];
}

int BlockPool::KeptBlocks(std::size_t size) noexcept {
    const std::size_t c = ClassOf(size);
    return c == kClasses ? 0 : kept[c];
}
