// One cell of a BasePtrLst: a counted element and the link to the next cell.
#pragma once

#include "BasePtr.h"

#include <cstddef>
#include <new>

class BasePtrLstCons {
public:
    explicit BasePtrLstCons(const BasePtr& item);
    // Destroys the chain behind this cell first (its last element is released
    // first), then releases this cell's element. Iterative: a chain of any
    // length is released without recursion.
    ~BasePtrLstCons();
    BasePtrLstCons(const BasePtrLstCons&) = delete;
    BasePtrLstCons& operator=(const BasePtrLstCons&) = delete;

    // Destroys the chain that starts at first, last cell first.
    static void DestroyChain(BasePtrLstCons* first);

    // Cells come and go with every message queued (a send queue holds one
    // per packet): their memory is kept per thread (BlockPool).
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* block, std::size_t size) noexcept;

    BasePtr item;
    BasePtrLstCons* next;
};
