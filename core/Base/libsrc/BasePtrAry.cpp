#include "BasePtrAry.h"

#include <climits>
#include <new>

#include "BlockPool.h"
#include "FuncInfo.h"
#include "MxrAssert.h"

#define ARY_FRAME(func, parms) MXR_FRAME("BasePtrAry", func, parms, "BasePtrAry.c")

// Storage of n slots; a small one from the thread's block pool, so that the
// packet arrays of the messages that pass cost no heap allocation (straight
// from the heap in AddressSanitizer builds, which then see every slot).
BasePtr* BasePtrAry::NewStorage(int n) {
    MXR_ASSERT(n >= 0, "n >= 0", "BasePtrAry");
    if (n == 0) return nullptr;
#if defined(__SANITIZE_ADDRESS__)
    BasePtr* storage = new (std::nothrow) BasePtr[static_cast<size_t>(n)];
#else
    void* block = BlockPool::Take(static_cast<std::size_t>(n) * sizeof(BasePtr));
    BasePtr* storage = static_cast<BasePtr*>(block);
    if (storage != nullptr)
        for (int i = 0; i < n; ++i) ::new (static_cast<void*>(storage + i)) BasePtr();
#endif
    MXR_ASSERT(storage != nullptr, "itemPtr != 0", "BasePtrAry");
    return storage;
}

// Releases the n elements last to first (the slots from n to cap are null)
// and frees the storage of cap slots.
void BasePtrAry::FreeStorage(BasePtr* storage, int n, int cap) {
    if (storage == nullptr) return;
    for (int i = n - 1; i >= 0; --i) storage[i] = BasePtr();
#if defined(__SANITIZE_ADDRESS__)
    static_cast<void>(cap);
    delete[] storage;
#else
    for (int i = cap - 1; i >= 0; --i) storage[i].~BasePtr();
    BlockPool::Give(storage, static_cast<std::size_t>(cap) * sizeof(BasePtr));
#endif
}

BasePtrAry::BasePtrAry(int n) : itemPtr(NewStorage(n)), itemCnt(n), itemCap(n) { ARY_FRAME("BasePtrAry", 1); }

BasePtrAry::BasePtrAry(const BasePtrAry& o)
    : itemPtr(NewStorage(o.itemCnt)), itemCnt(o.itemCnt), itemCap(o.itemCnt) {
    ARY_FRAME("BasePtrAry", 1);
    for (int i = 0; i < itemCnt; ++i) itemPtr[i] = o.itemPtr[i];
}

BasePtrAry& BasePtrAry::operator=(const BasePtrAry& o) {
    ARY_FRAME("operator=", 1);
    if (this != &o) {
        BasePtr* storage = NewStorage(o.itemCnt);
        for (int i = 0; i < o.itemCnt; ++i) storage[i] = o.itemPtr[i];
        BasePtr* old = itemPtr;
        int oldCnt = itemCnt;
        int oldCap = itemCap;
        itemPtr = storage;
        itemCnt = o.itemCnt;
        itemCap = o.itemCnt;
        FreeStorage(old, oldCnt, oldCap);
    }
    return *this;
}

void BasePtrAry::Release() {
    BasePtr* old = itemPtr;
    int oldCnt = itemCnt;
    int oldCap = itemCap;
    itemPtr = nullptr;
    itemCnt = 0;
    itemCap = 0;
    FreeStorage(old, oldCnt, oldCap);
}

void BasePtrAry::ReSize(int n) {
    ARY_FRAME("ReSize", 1);
    MXR_ASSERT(n >= 0, "n >= 0", "BasePtrAry");
    if (n == itemCnt) return;
    if (n > itemCnt && n <= itemCap) {
        // The spare slots are null already.
        itemCnt = n;
        return;
    }
    // Growing beyond the spare slots doubles the storage; shrinking fits it.
    int cap = n;
    if (n > itemCnt && itemCap > 0) cap = itemCap > INT_MAX / 2 ? INT_MAX : (n > 2 * itemCap ? n : 2 * itemCap);
    BasePtr* storage = NewStorage(cap);
    int keep = n < itemCnt ? n : itemCnt;
    // The kept elements move without touching their counts.
    for (int i = 0; i < keep; ++i) {
        storage[i].SetRefPtr(itemPtr[i].GetRefPtr());
        itemPtr[i].SetRefPtr(nullptr);
    }
    BasePtr* old = itemPtr;
    int oldCnt = itemCnt;
    int oldCap = itemCap;
    itemPtr = storage;
    itemCnt = n;
    itemCap = cap;
    FreeStorage(old, oldCnt, oldCap);
}
