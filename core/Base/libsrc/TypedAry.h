// XAry, the typed companion of BasePtrAry for a class X (only where a class
// asks for one): operator[] gives the slot seen as an XPtr, which is a plain
// BasePtr with typed access. Declared as TypedAry<X> under the name XAry
// (MXR_COMPANION_ARY).
#pragma once

#include "BasePtrAry.h"
#include "TypedPtr.h"

template <class X>
class TypedAry : public BasePtrAry {
    static_assert(sizeof(TypedPtr<X>) == sizeof(BasePtr), "a typed slot must be a plain BasePtr");

public:
    TypedAry() { MXR_COMPANION_FRAME(ary, MxrNamesOf<X>::ary, 0); }
    explicit TypedAry(int size) : BasePtrAry(size) { MXR_COMPANION_FRAME(ary, MxrNamesOf<X>::ary, 1); }
    TypedAry(const TypedAry& o) : BasePtrAry(o) { MXR_COMPANION_FRAME(ary, MxrNamesOf<X>::ary, 1); }
    TypedAry& operator=(const TypedAry& o) {
        MXR_COMPANION_FRAME(ary, "operator=", 1);
        BasePtrAry::operator=(o);
        return *this;
    }
    ~TypedAry() { MXR_COMPANION_FRAME(ary, MxrNamesOf<X>::aryDtor, 0); }

    TypedPtr<X>& operator[](int idx) {
        MXR_COMPANION_FRAME(ary, "operator[]", 1);
        return static_cast<TypedPtr<X>&>(BasePtrAry::operator[](idx));
    }
};
