// XLst, the typed companion of BasePtrLst for a class X: same layout, only a
// constructor and a destructor of its own. Declared per class as TypedLst<X>
// under the name XLst (MXR_COMPANIONS).
#pragma once

#include "BasePtrLst.h"
#include "TypedPtr.h"

template <class X>
class TypedLst : public BasePtrLst {
public:
    TypedLst() { MXR_COMPANION_FRAME(lst, MxrNamesOf<X>::lst, 0); }
    TypedLst(const TypedLst& o) : BasePtrLst(o) { MXR_COMPANION_FRAME(lst, MxrNamesOf<X>::lst, 1); }
    TypedLst& operator=(const TypedLst& o) {
        MXR_COMPANION_FRAME(lst, "operator=", 1);
        BasePtrLst::operator=(o);
        return *this;
    }
    ~TypedLst() { MXR_COMPANION_FRAME(lst, MxrNamesOf<X>::lstDtor, 0); }
};
