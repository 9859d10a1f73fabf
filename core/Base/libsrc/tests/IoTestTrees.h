// Small builders for item trees in the s-expression tests.
#pragma once

#include <initializer_list>
#include <sstream>
#include <string>

#include "IoCons.h"
#include "IoIdent.h"
#include "IoInt.h"
#include "IoLocal.h"
#include "IoNull.h"
#include "IoString.h"

inline IoItemPtr Id(const char* text) { return IoItemPtr(new IoIdent(text)); }
inline IoItemPtr Int(unsigned long v) { return IoItemPtr(new IoInt(v)); }
inline IoItemPtr Str(const char* text) { return IoItemPtr(new IoString(text)); }
inline IoItemPtr Nil() { return IoNull::GetGlobalIoNullPtr(); }
inline IoItemPtr Cons(const IoItemPtr& car, const IoItemPtr& cdr) { return IoItemPtr(new IoCons(car, cdr)); }
inline IoItemPtr Local(const IoItemPtr& held) { return IoItemPtr(new IoLocal(held)); }

// The proper list of the given elements.
inline IoItemPtr List(std::initializer_list<IoItemPtr> elements) {
    IoItemPtr list = Nil();
    for (auto it = elements.end(); it != elements.begin();) list = Cons(*--it, list);
    return list;
}

// The printed form; "<null>" for an empty pointer.
inline std::string Text(const BasePtr& item) {
    IoItem* i = IoItem::AsItem(item);
    if (i == nullptr) return "<null>";
    std::ostringstream os;
    i->Display(os);
    return os.str();
}

// The printed form of an object's tree.
inline std::string Text(const BaseVirtItem& obj) { return Text(obj.GetIoItemFrom()); }
