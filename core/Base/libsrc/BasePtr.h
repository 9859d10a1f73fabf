// The one owner type of framework objects: one word, counting references on
// the object's intrusive count. The object is destroyed when the last BasePtr
// that holds it lets go. Raw pointers from GetPtr / operator-> do not count.
#pragma once

#include "BaseVirtItem.h"

class BasePtr {
public:
    BasePtr() noexcept : ptr(nullptr) {}
    BasePtr(BaseVirtItem* p) noexcept : ptr(p) { Take(p); }
    BasePtr(const BasePtr& o) noexcept : ptr(o.ptr) { Take(ptr); }
    // Taking over a reference costs no count: the source is left null.
    BasePtr(BasePtr&& o) noexcept : ptr(o.ptr) { o.ptr = nullptr; }
    ~BasePtr() {
        if (ptr != nullptr) {
            BaseVirtItem* old = ptr;
            ptr = nullptr;  // a destructor that reaches back here sees null
            Drop(old);
        }
    }

    // o is already a counted copy of the new target, so self-assignment and a
    // target held only through the right-hand side are safe. This holder takes
    // the new target before the old one is dropped (by o on the way out): if
    // dropping the old target destroys the object that contains this holder,
    // nothing writes into it afterwards.
    BasePtr& operator=(BasePtr o) noexcept {
        BaseVirtItem* old = ptr;
        ptr = o.ptr;
        o.ptr = old;
        return *this;
    }

    // The first reference to an object just made (null allowed), as
    // BasePtr(fresh) but without the atomic increment while the count is
    // still 0: nobody else holds the object yet. An object that already
    // counts references (its constructor handed one out) is counted as usual.
    static BasePtr AdoptNew(BaseVirtItem* fresh) noexcept {
        BasePtr held;
        held.ptr = fresh;
        if (fresh != nullptr) {
            if (fresh->RefCnt.load(std::memory_order_relaxed) == 0)
                fresh->RefCnt.store(1, std::memory_order_relaxed);
            else
                Take(fresh);
        }
        return held;
    }

    BaseVirtItem* operator->() const noexcept { return ptr; }
    BaseVirtItem* GetPtr() const noexcept { return ptr; }

    // Raw access to the word: no counting, the old target is not released.
    BaseVirtItem* GetRefPtr() const noexcept { return ptr; }
    void SetRefPtr(BaseVirtItem* p) noexcept { ptr = p; }

    // 0 when null, else the target's type test for BaseVirtItem.
    int Ok() const { return ptr != nullptr ? ptr->IsOfType(BaseVirtItem::ClassCode) : 0; }

private:
    static void Take(BaseVirtItem* p) noexcept {
        if (p != nullptr) p->RefCnt.fetch_add(1, std::memory_order_relaxed);
    }
    static void Drop(BaseVirtItem* p) {
        // The only reference: nobody can count or drop the object any more,
        // so it is released without the locked decrement. The acquire load
        // sees every write made through references dropped before; the count
        // reads 0 in the destructor, as after a decrement.
        if (p->RefCnt.load(std::memory_order_acquire) == 1) {
            p->RefCnt.store(0, std::memory_order_relaxed);
            delete p;
            return;
        }
        if (p->RefCnt.fetch_sub(1, std::memory_order_acq_rel) - 1 < 1) delete p;
    }

    BaseVirtItem* ptr;
};
