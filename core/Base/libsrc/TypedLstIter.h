// XLstIter, the typed companion of BasePtrLstIter for a class X: First, Next
// and GetCurrent give XPtr (no type check). Declared per class as
// TypedLstIter<X> under the name XLstIter (MXR_COMPANIONS).
#pragma once

#include "BasePtrLstIter.h"
#include "TypedLst.h"
#include "TypedPtr.h"

template <class X>
class TypedLstIter : public BasePtrLstIter {
public:
    explicit TypedLstIter(TypedLst<X>& l) : BasePtrLstIter(l) {
        MXR_COMPANION_FRAME(iter, MxrNamesOf<X>::iter, 1);
    }
    ~TypedLstIter() { MXR_COMPANION_FRAME(iter, MxrNamesOf<X>::iterDtor, 0); }

    TypedPtr<X> First() {
        MXR_COMPANION_FRAME(iter, "First", 0);
        return TypedPtr<X>(BasePtrLstIter::First());
    }
    TypedPtr<X> Next() {
        MXR_COMPANION_FRAME(iter, "Next", 0);
        return TypedPtr<X>(BasePtrLstIter::Next());
    }
    TypedPtr<X> GetCurrent() {
        MXR_COMPANION_FRAME(iter, "GetCurrent", 0);
        return TypedPtr<X>(BasePtrLstIter::GetCurrent());
    }
};
