// Cursor over a BasePtrLst. It stands on a link (the list's first field or a
// cell's next field), so it can delete or insert at its position. Valid while
// the list lives and nobody else removes the cell its link belongs to.
#pragma once

#include "BasePtr.h"
#include "BasePtrLst.h"

class BasePtrLstIter {
public:
    explicit BasePtrLstIter(BasePtrLst& l);
    ~BasePtrLstIter();

    // Back to the start; the first element, or null for an empty list.
    BasePtr First();
    // One step on; the new current element, or null at the end (where it stays).
    BasePtr Next();
    // The current element, or null at the end.
    BasePtr GetCurrent();
    int Eol();
    int GetIndex();
    // Removes the current element; the iterator then stands on the following
    // one with the same index (use GetCurrent, not Next, to see it).
    void DeleteCurrentItem();
    // A new cell before the current one (at the end: appended); the iterator
    // then stands on the new cell.
    void Insert(BasePtr p);

private:
    BasePtrLst& lst;
    BasePtrLstCons** cur;
    int index;
    BasePtrLstCons* prev;
};
