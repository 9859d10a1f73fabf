// The s-expression form of objects held through pointers (a field of type
// BasePtr or any XPtr), and the pieces every class's generated slots 2 and 3
// use. An object is (ClassName (key value) ...); a null pointer is the empty
// list, so a null pointer field prints as (key).
//
// Object trees are followed at most IoItem::MaxObjectDepth objects deep: a
// deeper (or cyclic) object graph is cut there, the object at the cut showing
// its class name only; a deeper tree is refused when read.
#pragma once

#include "BasePtr.h"
#include "IoItem.h"
#include "WireKind.h"

// Null: the shared empty list. An IoLocal: what its held item's slot 2 gives
// (its own (IoLocal) when it holds nothing). Any other object: its slot 2.
IoItemPtr GetIoItemFrom(const BasePtr& p);

// From (ClassName . fields): an empty list makes p null (0); a class that is
// registered here is made by its factory and reads fields through its slot 3
// (p takes it only when that returns 0, and that result is returned); a class
// unknown here keeps the whole tree in a new IoLocal (0). Null, a tree of
// another form, one nested too deep, or a registered class that may not be
// built from a peer's text (local-only, or not derived from the field's
// declared class, checked before anything is constructed): 1, p unchanged.
// A BasePtr field is declared as BaseVirtItem.
int SetFromIoItem(const IoItemPtr& i, BasePtr& p);
// A typed field XPtr: only X and classes derived from it.
// At the top of a message (place TopOfMessage) only message classes qualify
// and a class unknown here is refused too.
int MxrSetPointerFromIoItem(const IoItemPtr& i, BasePtr& p, int declaredType,
                            MxrDecodePlace place = MxrDecodePlace::Field);
template <class X>
int SetFromIoItem(const IoItemPtr& i, TypedPtr<X>& p) {
    return MxrSetPointerFromIoItem(i, p, X::ClassCode);
}

// (ClassName . fields): the tree of an object whose field list is fields
// (null counts as the empty list).
IoItemPtr MxrObjectTree(const char* className, const IoItemPtr& fields);

// The value tree of key in an object's field list: null when the list lacks
// the key (or there is no list); the empty list for a field list that is no
// list cell (nothing after the class name), so that every field is then
// read from the empty list.
IoItemPtr MxrFieldOf(const IoItemPtr& fields, const char* key);
