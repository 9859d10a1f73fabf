// Array of counted BasePtr slots whose size is set at construction and changed
// only by ReSize. Growing keeps spare null slots behind the last element, so an
// array grown one element at a time (a stream's packets) costs linear time.
#pragma once

#include "BasePtr.h"
#include "FuncInfo.h"
#include "MxrAssert.h"

class BasePtrAry {
public:
    BasePtrAry() : itemPtr(nullptr), itemCnt(0), itemCap(0) { MXR_FRAME("BasePtrAry", "BasePtrAry", 0, "BasePtrAry.c"); }
    // n null slots (n >= 0).
    explicit BasePtrAry(int n);
    // A copy holds counted references to the same elements.
    BasePtrAry(const BasePtrAry& o);
    BasePtrAry& operator=(const BasePtrAry& o);
    // Releases the slots from the last to the first.
    ~BasePtrAry() {
        MXR_FRAME("BasePtrAry", "~BasePtrAry", 0, "BasePtrAry.c");
        if (itemPtr != nullptr) Release();
    }

    int GetItemCnt() const {
        MXR_FRAME("BasePtrAry", "GetItemCnt", 0, "BasePtrAry.c");
        return itemCnt;
    }
    // The slot itself (assignable); 0 <= idx < GetItemCnt().
    BasePtr& operator[](int idx) {
        MXR_FRAME("BasePtrAry", "operator[]", 1, "BasePtrAry.c");
        MXR_ASSERT(itemPtr != nullptr && idx >= 0 && idx < itemCnt, "itemPtr!=0 && idx>=0 && idx<itemCnt",
                   "BasePtrAry");
        return itemPtr[idx];
    }
    // Grows with null slots or releases the elements beyond n; 0 frees all.
    void ReSize(int n);

private:
    // What the destructor does with storage: the array lets go of it first.
    void Release();
    static BasePtr* NewStorage(int n);
    // Releases the slots last to first and frees the storage of cap slots;
    // the array has already let go of it, so a destructor reaching back sees
    // the new state.
    static void FreeStorage(BasePtr* storage, int n, int cap);

    BasePtr* itemPtr;
    int itemCnt;
    int itemCap;  // slots allocated; those from itemCnt on are always null
};
