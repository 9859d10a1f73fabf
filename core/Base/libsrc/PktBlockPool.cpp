#include "PktBlockPool.h"

#include <new>

#include "PipePktBufr.h"

namespace {

constexpr std::size_t kPooledSize = sizeof(PipePktBufr);

struct FreeBlock {
    FreeBlock* next;
};

// Plain thread-local words, valid for the thread's whole life (also while
// other thread-local objects are destroyed).
constinit thread_local FreeBlock* head __attribute__((tls_model("initial-exec"))) = nullptr;
constinit thread_local int kept __attribute__((tls_model("initial-exec"))) = 0;
// 0 not yet armed, 1 armed (the drain runs at thread end), 2 drained.
constinit thread_local int state __attribute__((tls_model("initial-exec"))) = 0;

void FreeAll() {
    while (head != nullptr) {
        FreeBlock* b = head;
        head = b->next;
        ::operator delete(static_cast<void*>(b));
    }
    kept = 0;
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

void* PktBlockPool::Take(std::size_t size) noexcept {
    if (size == kPooledSize && head != nullptr) {
        FreeBlock* b = head;
        head = b->next;
        --kept;
        return b;
    }
    return ::operator new(size, std::nothrow);
}

void PktBlockPool::Give(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    if (size != kPooledSize || kept >= MaxBlocks || state == 2) {
        ::operator delete(block);
        return;
    }
    if (state == 0) {
        Drain* volatile armed = &drain;  // the first use arms the drain at thread end
        static_cast<void>(armed);
        state = 1;
    }
    FreeBlock* b = static_cast<FreeBlock*>(block);
    b->next = head;
    head = b;
    ++kept;
}

int PktBlockPool::KeptBlocks() noexcept { return kept; }
