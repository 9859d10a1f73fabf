// The root of every framework object: an intrusive reference count and the
// seven virtual operations every object answers (destroy, binary encoding,
// s-expression form in both directions, class code, type test, class name).
// Objects are owned only through BasePtr and its typed companions.
#pragma once

#include <atomic>
#include <cstddef>
#include <new>

#include "FuncInfo.h"

class BasePtr;
class BasePktCtrl;
class IoItem;
template <class X> class TypedPtr;
using IoItemPtr = TypedPtr<IoItem>;

class BaseVirtItem {
public:
    static int ClassCode;
    // The type test without an object: the root is its own only ancestor.
    static int MxrIsClassOrBase(int id) { return id == ClassCode ? 1 : 0; }
    // Trace names of the root class; derived classes get theirs from MXR_CLASS.
    using MxrSelf = BaseVirtItem;
    struct MxrNames {
        static constexpr const char* cls = "BaseVirtItem";
        static constexpr const char* src = "BaseVirtItem.c";
        static constexpr const char* ptr = "BaseVirtItemPtr";
        static constexpr const char* ptrDtor = "~BaseVirtItemPtr";
        static constexpr const char* lst = "BaseVirtItemLst";
        static constexpr const char* lstDtor = "~BaseVirtItemLst";
        static constexpr const char* iter = "BaseVirtItemLstIter";
        static constexpr const char* iterDtor = "~BaseVirtItemLstIter";
        static constexpr const char* ary = "BaseVirtItemAry";
        static constexpr const char* aryDtor = "~BaseVirtItemAry";
    };

    // Made and dropped for every object: inline, so that they cost the
    // frame's flag test and the count's store.
    BaseVirtItem() : RefCnt(0) { MXR_METHOD_FRAME("BaseVirtItem", 0); }
    // A copy is a new object: it starts unowned whatever the original's count.
    BaseVirtItem(const BaseVirtItem&);
    BaseVirtItem& operator=(const BaseVirtItem&);

    // slot 0
    virtual ~BaseVirtItem() { MXR_METHOD_FRAME("~BaseVirtItem", 0); }
    // slot 1: write or read the object in the binary form.
    virtual int Serialize(BasePktCtrl& c);
    // slot 2: the object as the s-expression (ClassName (key value) ...).
    virtual IoItemPtr GetIoItemFrom() const;
    // slot 3: read the fields from the field list of an s-expression.
    virtual int SetFromIoItem(const IoItemPtr& i);
    // slot 4
    virtual int GetTypeId() const;
    // slot 5: 1 for the class's own code and every ancestor's, else 0.
    virtual int IsOfType(int id) const;
    // slot 6
    virtual const char* GetClassName() const;

    // Objects are made and dropped for every message that passes: their
    // memory comes from the thread's pool of blocks (BlockPool), not from
    // the heap each time. (Straight from the heap in AddressSanitizer
    // builds, so that a use after release is still caught.)
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* block, std::size_t size) noexcept;

    int GetRefCnt() const {
        MXR_METHOD_FRAME("GetRefCnt", 0);
        return RefCnt.load(std::memory_order_relaxed);
    }
    // Overwrites the count; never deletes.
    void SetRefCnt(int cnt);

    static BaseVirtItem* GetNewBaseVirtItemClass();

private:
    friend class BasePtr;
    // Shared by every thread that holds the object: taking a reference is a
    // relaxed increment, dropping one an acquire-release decrement, so the
    // thread that frees sees every write made through other references.
    std::atomic<int> RefCnt;
};

// The free functions of the root: it has no fields.
int _serialize(BasePktCtrl& c, BaseVirtItem& v);
IoItemPtr GetIoItemFrom(const BaseVirtItem& v);
int SetFromIoItem(const IoItemPtr& i, BaseVirtItem& v);
