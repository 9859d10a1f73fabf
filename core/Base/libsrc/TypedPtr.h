// XPtr, the typed companion of BasePtr for a class X: same layout, no data of
// its own. It converts from any BasePtr WITHOUT a type check, so an XPtr may
// hold an object of another class; Ok() is the only type test. Code that
// receives an object of unknown class converts it and tests Ok() before use.
// Declared per class as TypedPtr<X> under the name XPtr (MXR_COMPANIONS).
#pragma once

#include <type_traits>

#include "BasePtr.h"
#include "FuncInfo.h"

// The trace names of X's companions (MXR_CLASS). Used only inside member
// bodies, so a field or parameter of type XPtr needs no more than a
// declaration of X.
template <class X>
using MxrNamesOf = typename X::MxrNames;

// Opens the frame of a companion member: kind is ptr, lst, iter or ary.
#define MXR_COMPANION_FRAME(kind, funcName, parmCnt) \
    MXR_FRAME(MxrNamesOf<X>::kind, (funcName), (parmCnt), MxrNamesOf<X>::src)

template <class X>
class TypedPtr : public BasePtr {
public:
    TypedPtr() { MXR_COMPANION_FRAME(ptr, MxrNamesOf<X>::ptr, 0); }
    TypedPtr(X* p) : BasePtr(p) { MXR_COMPANION_FRAME(ptr, MxrNamesOf<X>::ptr, 1); }
    TypedPtr(const BasePtr& o) : BasePtr(o) { MXR_COMPANION_FRAME(ptr, MxrNamesOf<X>::ptr, 1); }
    TypedPtr(const TypedPtr& o) : BasePtr(o) { MXR_COMPANION_FRAME(ptr, MxrNamesOf<X>::ptr, 1); }
    // Moves take the reference over (the source is left null) and trace as copies do.
    TypedPtr(BasePtr&& o) : BasePtr(static_cast<BasePtr&&>(o)) {
        MXR_COMPANION_FRAME(ptr, MxrNamesOf<X>::ptr, 1);
    }
    TypedPtr(TypedPtr&& o) : BasePtr(static_cast<BasePtr&&>(o)) {
        MXR_COMPANION_FRAME(ptr, MxrNamesOf<X>::ptr, 1);
    }
    ~TypedPtr() {
        static_assert(std::is_same_v<typename X::MxrSelf, X>,
                      "the class lacks MXR_CLASS / MXR_ABSTRACT_CLASS of its own");
        MXR_COMPANION_FRAME(ptr, MxrNamesOf<X>::ptrDtor, 0);
    }

    TypedPtr& operator=(const BasePtr& o) {
        MXR_COMPANION_FRAME(ptr, "operator=", 1);
        BasePtr::operator=(o);
        return *this;
    }
    // A raw X* (or nullptr) would otherwise convert both ways ambiguously.
    TypedPtr& operator=(X* p) {
        MXR_COMPANION_FRAME(ptr, "operator=", 1);
        BasePtr::operator=(BasePtr(p));
        return *this;
    }
    TypedPtr& operator=(const TypedPtr& o) {
        MXR_COMPANION_FRAME(ptr, "operator=", 1);
        BasePtr::operator=(o);
        return *this;
    }
    TypedPtr& operator=(BasePtr&& o) {
        MXR_COMPANION_FRAME(ptr, "operator=", 1);
        BasePtr::operator=(static_cast<BasePtr&&>(o));
        return *this;
    }
    TypedPtr& operator=(TypedPtr&& o) {
        MXR_COMPANION_FRAME(ptr, "operator=", 1);
        BasePtr::operator=(static_cast<BasePtr&&>(o));
        return *this;
    }

    // The raw target seen as an X, null allowed, no check: test Ok() first.
    X* operator->() const {
        MXR_COMPANION_FRAME(ptr, "operator->", 0);
        return static_cast<X*>(BasePtr::GetPtr());
    }
    X* GetPtr() const {
        MXR_COMPANION_FRAME(ptr, "GetPtr", 0);
        return static_cast<X*>(BasePtr::GetPtr());
    }

    // 0 when null, else 1 when the target is an X or derives from X.
    int Ok() const {
        MXR_COMPANION_FRAME(ptr, "Ok", 0);
        BaseVirtItem* p = BasePtr::GetPtr();
        return p != nullptr ? p->IsOfType(X::ClassCode) : 0;
    }
};
