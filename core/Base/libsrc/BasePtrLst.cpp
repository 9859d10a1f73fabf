#include "BasePtrLst.h"

#include <new>

#include "FuncInfo.h"
#include "MxrAssert.h"

#define LST_FRAME(func, parms) MXR_FRAME("BasePtrLst", func, parms, "BasePtrLst.c")

BasePtrLst::BasePtrLst() : first(nullptr), last(nullptr), itemCnt(0) {
    LST_FRAME("BasePtrLst", 0);
}

BasePtrLst::BasePtrLst(const BasePtrLst& o) : first(nullptr), last(nullptr), itemCnt(0) {
    LST_FRAME("BasePtrLst", 1);
    for (BasePtrLstCons* cell = o.first; cell != nullptr; cell = cell->next) Append(cell->item);
}

BasePtrLst& BasePtrLst::operator=(const BasePtrLst& o) {
    LST_FRAME("operator=", 1);
    if (this != &o) {
        BasePtrLst copy(o);  // counted before the old elements go
        Clear();
        first = copy.first;
        last = copy.last;
        itemCnt = copy.itemCnt;
        copy.first = copy.last = nullptr;
        copy.itemCnt = 0;
    }
    return *this;
}

BasePtrLst::~BasePtrLst() {
    LST_FRAME("~BasePtrLst", 0);
    Clear();
}

void BasePtrLst::Clear() {
    BasePtrLstCons* chain = first;
    first = last = nullptr;
    itemCnt = 0;
    BasePtrLstCons::DestroyChain(chain);
}

int BasePtrLst::GetItemCnt() const {
    LST_FRAME("GetItemCnt", 0);
    return itemCnt;
}

BasePtr BasePtrLst::GetLast() const {
    LST_FRAME("GetLast", 0);
    return last != nullptr ? last->item : BasePtr();
}

BasePtrLstCons* BasePtrLst::NewCell(const BasePtr& p) {
    BasePtrLstCons* cell = new (std::nothrow) BasePtrLstCons(p);
    MXR_ASSERT(cell != nullptr, "cell != 0", "BasePtrLst");
    return cell;
}

void BasePtrLst::Append(const BasePtr& p) {
    LST_FRAME("Append", 1);
    BasePtrLstCons* cell = NewCell(p);
    if (last == nullptr) {
        first = last = cell;
    } else {
        last->next = cell;
        last = cell;
    }
    ++itemCnt;
}

void BasePtrLst::Append(const BasePtr& p, int pos) {
    LST_FRAME("Append", 2);
    MXR_ASSERT(pos >= 0 && pos < itemCnt, "pos>=0 && pos<itemCnt", "BasePtrLst");
    BasePtrLstCons* at = first;
    for (int i = 0; i < pos; ++i) at = at->next;
    BasePtrLstCons* cell = NewCell(p);
    cell->next = at->next;
    at->next = cell;
    if (last == at) last = cell;
    ++itemCnt;
}

void BasePtrLst::Insert(const BasePtr& p) {
    LST_FRAME("Insert", 1);
    BasePtrLstCons* cell = NewCell(p);
    cell->next = first;
    first = cell;
    if (last == nullptr) last = cell;
    ++itemCnt;
}

void BasePtrLst::Insert(const BasePtr& p, int pos) {
    LST_FRAME("Insert", 2);
    MXR_ASSERT(pos >= 0 && pos < itemCnt, "pos>=0 && pos<itemCnt", "BasePtrLst");
    BasePtrLstCons** link = &first;
    for (int i = 0; i < pos; ++i) link = &(*link)->next;
    BasePtrLstCons* cell = NewCell(p);
    cell->next = *link;
    *link = cell;
    ++itemCnt;
}

int BasePtrLst::Remove(BasePtr& out) {
    LST_FRAME("Remove", 1);
    BasePtrLstCons* cell = first;
    if (cell == nullptr) return 0;
    // Unlink before anything is released: releasing out's old target may run
    // code that uses this list.
    first = cell->next;
    if (first == nullptr) last = nullptr;
    --itemCnt;
    cell->next = nullptr;
    out = static_cast<BasePtr&&>(cell->item);  // the cell's reference is handed over
    delete cell;
    return 1;
}

int BasePtrLst::RemoveItem(const BasePtr& p) {
    LST_FRAME("RemoveItem", 1);
    BaseVirtItem* target = p.GetPtr();
    if (target == nullptr) return 0;
    BasePtrLstCons* prev = nullptr;
    for (BasePtrLstCons** link = &first; *link != nullptr; link = &(*link)->next) {
        BasePtrLstCons* cell = *link;
        if (cell->item.GetPtr() == target) {
            *link = cell->next;
            if (last == cell) last = prev;
            --itemCnt;
            cell->next = nullptr;
            delete cell;
            return 1;
        }
        prev = cell;
    }
    return 0;
}
