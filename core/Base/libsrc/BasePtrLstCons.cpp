#include "BasePtrLstCons.h"

#include "BlockPool.h"
#include "FuncInfo.h"

BasePtrLstCons::BasePtrLstCons(const BasePtr& item_) : item(item_), next(nullptr) {
    MXR_FRAME("BasePtrLstCons", "BasePtrLstCons", 1, "BasePtrLstCons.c");
}

BasePtrLstCons::~BasePtrLstCons() {
    MXR_FRAME("BasePtrLstCons", "~BasePtrLstCons", 0, "BasePtrLstCons.c");
    BasePtrLstCons* rest = next;
    next = nullptr;
    DestroyChain(rest);
    // item is released by its own destructor after this body.
}

void BasePtrLstCons::DestroyChain(BasePtrLstCons* first) {
    MXR_FRAME("BasePtrLstCons", "DestroyChain", 1, "BasePtrLstCons.c");
    // Reverse the chain in place, then free from the former last cell: the
    // release order of a recursive destruction without its stack depth.
    BasePtrLstCons* reversed = nullptr;
    while (first != nullptr) {
        BasePtrLstCons* following = first->next;
        first->next = reversed;
        reversed = first;
        first = following;
    }
    while (reversed != nullptr) {
        BasePtrLstCons* cell = reversed;
        reversed = cell->next;
        cell->next = nullptr;
        delete cell;
    }
}

void* BasePtrLstCons::operator new(std::size_t size) {
    if (void* p = BlockPool::Take(size)) return p;
    throw std::bad_alloc();
}

void* BasePtrLstCons::operator new(std::size_t size, const std::nothrow_t&) noexcept { return BlockPool::Take(size); }

void BasePtrLstCons::operator delete(void* block, std::size_t size) noexcept { BlockPool::Give(block, size); }
