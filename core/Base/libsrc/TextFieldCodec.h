// The s-expression side of the field list (ClassEncoding.h): one field as
// the cell (key . value tree), read back by looking its key up. A scalar's
// value tree is (v), an object pointer's (ClassName (key value) ...) or ()
// for null, an enumeration's (NAME) or (n) through the class's converter.
#pragma once

#include "IoCons.h"
#include "IoIdent.h"
#include "IoObjectCvt.h"
#include "IoScalarCvt.h"

// Appends (desc.key . value tree) to the field list in list.
template <class Desc, class T>
void MxrTextAppendField(IoItemPtr& list, const Desc& desc, const T& value) {
    IoItemPtr tree;
    if constexpr (Desc::isEnum)
        tree = MxrIoItemOfEnum(static_cast<int>(value), desc.enumCvt());
    else
        tree = GetIoItemFrom(value);
    IoCons::Append(list, IoItemPtr(new IoCons(IoItemPtr(new IoIdent(desc.key)), tree)));
}

// Reads the field desc.key from the field list fields: 0 when the key is
// missing; else the conversion's result (on failure the value is unchanged).
template <class Desc, class T>
int MxrTextSetField(const IoItemPtr& fields, const Desc& desc, T& value) {
    IoItemPtr tree = MxrFieldOf(fields, desc.key);
    if (tree.GetRefPtr() == nullptr) return 0;
    if constexpr (Desc::isEnum)
        return MxrSetEnumFromIoItem(tree, value, desc.enumCvt());
    else
        return SetFromIoItem(tree, value);
}
