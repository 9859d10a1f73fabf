// One cell of a BasePtrLst: a counted element and the link to the next cell.
#pragma once

#include "BasePtr.h"

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

    BasePtr item;
    BasePtrLstCons* next;
};
