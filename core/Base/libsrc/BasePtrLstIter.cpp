#include "BasePtrLstIter.h"

#include "FuncInfo.h"

#define ITER_FRAME(func, parms) MXR_FRAME("BasePtrLstIter", func, parms, "BasePtrLstIter.c")

BasePtrLstIter::BasePtrLstIter(BasePtrLst& l) : lst(l), cur(&l.first), index(0), prev(nullptr) {
    ITER_FRAME("BasePtrLstIter", 1);
}

BasePtrLstIter::~BasePtrLstIter() { ITER_FRAME("~BasePtrLstIter", 0); }

BasePtr BasePtrLstIter::First() {
    ITER_FRAME("First", 0);
    prev = nullptr;
    index = 0;
    cur = &lst.first;
    return *cur != nullptr ? (*cur)->item : BasePtr();
}

BasePtr BasePtrLstIter::Next() {
    ITER_FRAME("Next", 0);
    if (*cur == nullptr) return BasePtr();
    prev = *cur;
    ++index;
    cur = &prev->next;
    return *cur != nullptr ? (*cur)->item : BasePtr();
}

BasePtr BasePtrLstIter::GetCurrent() {
    ITER_FRAME("GetCurrent", 0);
    return *cur != nullptr ? (*cur)->item : BasePtr();
}

int BasePtrLstIter::Eol() {
    ITER_FRAME("Eol", 0);
    return *cur == nullptr ? 1 : 0;
}

int BasePtrLstIter::GetIndex() {
    ITER_FRAME("GetIndex", 0);
    return index;
}

void BasePtrLstIter::DeleteCurrentItem() {
    ITER_FRAME("DeleteCurrentItem", 0);
    BasePtrLstCons* cell = *cur;
    if (cell == nullptr) return;
    *cur = cell->next;
    if (lst.last == cell) lst.last = prev;
    --lst.itemCnt;
    cell->next = nullptr;
    delete cell;
}

void BasePtrLstIter::Insert(BasePtr p) {
    ITER_FRAME("Insert", 1);
    BasePtrLstCons* cell = lst.NewCell(p);
    cell->next = *cur;
    *cur = cell;
    if (cell->next == nullptr) lst.last = cell;
    ++lst.itemCnt;
}
