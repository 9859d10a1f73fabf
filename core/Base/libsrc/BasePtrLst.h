// Singly linked list of counted BasePtr elements: queues, route tables,
// packets, mailboxes, timer lists. Append and Remove (at the front) are
// constant-time and make it a FIFO; positional operations walk from the front.
#pragma once

#include "BasePtr.h"
#include "BasePtrLstCons.h"

class BasePtrLstIter;

class BasePtrLst {
public:
    BasePtrLst();
    // A copy holds counted references to the same elements, in order.
    BasePtrLst(const BasePtrLst& o);
    BasePtrLst& operator=(const BasePtrLst& o);
    // Releases every element, last first, without recursion.
    ~BasePtrLst();

    int GetItemCnt() const;
    // The last element (a counted copy), or null when empty.
    BasePtr GetLast() const;
    // The first element, not counted (null when empty): valid while it
    // stays in the list.
    BaseVirtItem* PeekFirst() const { return first != nullptr ? first->item.GetPtr() : nullptr; }

    // New cell at the end.
    void Append(const BasePtr& p);
    // New cell directly after the cell at pos (0 <= pos < GetItemCnt()).
    void Append(const BasePtr& p, int pos);
    // New cell at the front.
    void Insert(const BasePtr& p);
    // New cell directly before the cell at pos, so it takes position pos.
    void Insert(const BasePtr& p, int pos);
    // Takes the first element into out: 1, or 0 (out untouched) when empty.
    int Remove(BasePtr& out);
    // Deletes the first cell whose element is the same object as p: 1 or 0.
    int RemoveItem(const BasePtr& p);

private:
    friend class BasePtrLstIter;

    BasePtrLstCons* NewCell(const BasePtr& p);
    // Drops every cell and leaves the list empty before any element is
    // released, so an element's destructor that reaches this list sees it empty.
    void Clear();

    BasePtrLstCons* first;
    BasePtrLstCons* last;
    int itemCnt;
};
