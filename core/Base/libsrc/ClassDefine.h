// The standard class pattern, definition side: one line in the class's unit.
//
//   #include "X.h"
//   #include "ClassDefine.h"
//   MXR_CLASS_DEFINE(X);
//
// The class code and the wire kind come from X's row in ClassCodes.h; a
// definition whose macro does not fit the row's kind does not compile.
// MXR_CLASS_DEFINE(X): a message or value class: ClassCode, slots 1-6, the
// three free functions from the field list, the factory and the registration
// (a namespace-scope static record, so the class is registered when its
// library loads; static objects defined after it in the unit are constructed
// after it).
// MXR_CLASS_DEFINE_CUSTOM(X): the same without the three free functions,
// which the unit writes by hand (classes with special rules).
// MXR_LOCAL_CLASS_DEFINE(X), MXR_LOCAL_CLASS_DEFINE_CUSTOM(X): a local-only
// class (MXR_LOCAL_CLASS): registered by name and code for lookups and type
// tests, without a factory.
// MXR_ABSTRACT_CLASS_DEFINE(X): ClassCode, slots 4-6 and the three free
// functions from the field list; MXR_ABSTRACT_CLASS_DEFINE_CUSTOM(X) without
// the free functions.
// Every generated function opens a trace frame with X's names.
#pragma once

#include <new>
#include <type_traits>

#include "ClassCodes.h"
#include "ClassEncoding.h"
#include "ClassPattern.h"
#include "FuncInfo.h"
#include "RegisterClass.h"

// Whether id is X's code or one of its bases' codes, without a call per level.
template <class X>
inline int MxrIsClassOrAncestor(int id) {
    if (id == X::ClassCode) return 1;
    if constexpr (std::is_same_v<X, BaseVirtItem>)
        return 0;
    else
        return MxrIsClassOrAncestor<typename X::MxrBase>(id);
}

#define MXR_FRAME_OF_(X, func, parms) MXR_FRAME(X::MxrNames::cls, (func), (parms), X::MxrNames::src)

#define MXR_DEFINE_TYPE_(X, kindWanted)                                             \
    static_assert(MxrClassTable::X.code >= 0, "class codes are not negative");      \
    static_assert(kindWanted, "the class's row in ClassCodes.h gives another wire kind"); \
    int X::ClassCode = MxrClassTable::X.code;                                       \
    int X::MxrIsClassOrBase(int id) { return MxrIsClassOrAncestor<X>(id); }         \
    int X::GetTypeId() const {                                                      \
        MXR_FRAME_OF_(X, "GetTypeId", 0);                                           \
        return X::ClassCode;                                                        \
    }                                                                               \
    int X::IsOfType(int id) const {                                                 \
        MXR_FRAME_OF_(X, "IsOfType", 1);                                            \
        if (id == X::ClassCode) return 1;                                           \
        /* Traced, each base opens its own frame; else one walk of the codes. */    \
        if (FuncInfo::MayTrace()) return X::MxrBase::IsOfType(id);                  \
        return MxrIsClassOrAncestor<X::MxrBase>(id);                                \
    }                                                                               \
    const char* X::GetClassName() const {                                           \
        MXR_FRAME_OF_(X, "GetClassName", 0);                                        \
        return X::MxrNames::cls;                                                    \
    }                                                                               \
    static_assert(true)

// Slots 1-3: wrappers over the free functions (ClassEncoding.h).
#define MXR_DEFINE_ENCODING_SLOTS_(X)                                               \
    int X::Serialize(BasePktCtrl& c) {                                              \
        MXR_FRAME_OF_(X, "Serialize", 1);                                           \
        return MxrSerializeObject(c, *this);                                        \
    }                                                                               \
    IoItemPtr X::GetIoItemFrom() const {                                            \
        MXR_FRAME_OF_(X, "GetIoItemFrom", 0);                                       \
        return MxrIoItemOfObject(*this);                                            \
    }                                                                               \
    int X::SetFromIoItem(const IoItemPtr& i) {                                      \
        MXR_FRAME_OF_(X, "SetFromIoItem", 1);                                       \
        return MxrSetObjectFromIoItem(i, *this);                                    \
    }                                                                               \
    static_assert(true)

// The three free functions, from X's field list, base part first.
#define MXR_DEFINE_FIELD_FUNCTIONS_(X)                                              \
    int _serialize(BasePktCtrl& c, X& v) {                                          \
        MXR_FRAME_OF_(X, "_serialize", 2);                                          \
        return MxrSerializeFields(c, v);                                            \
    }                                                                               \
    IoItemPtr GetIoItemFrom(const X& v) {                                           \
        MXR_FRAME_OF_(X, "GetIoItemFrom", 1);                                       \
        return MxrIoItemOfFields(v);                                                \
    }                                                                               \
    int SetFromIoItem(const IoItemPtr& i, X& v) {                                   \
        MXR_FRAME_OF_(X, "SetFromIoItem", 2);                                       \
        return MxrSetFieldsFromIoItem(i, v);                                        \
    }                                                                               \
    static_assert(true)

#define MXR_KIND_OF_(X) MxrClassTable::X.kind
#define MXR_TRAVELS_(X) (MXR_KIND_OF_(X) == MxrWireKind::Message || MXR_KIND_OF_(X) == MxrWireKind::Value)

// The factory (uncounted new object, null when memory is short) and the
// registering static record.
#define MXR_DEFINE_FACTORY_(X)                                                      \
    BaseVirtItem* X::GetNew##X##Class() {                                           \
        MXR_FRAME_OF_(X, "GetNew" #X "Class", 0);                                   \
        return new (std::nothrow) X();                                              \
    }                                                                               \
    namespace {                                                                     \
    RegisterClass mxrRegister##X(X::MxrNames::cls, X::ClassCode, &X::GetNew##X##Class, \
                                 MXR_KIND_OF_(X), &X::MxrIsClassOrBase);            \
    }                                                                               \
    static_assert(true)

// A local-only class: the record names it, without a factory.
#define MXR_DEFINE_LOCAL_RECORD_(X)                                                 \
    namespace {                                                                     \
    RegisterClass mxrRegister##X(X::MxrNames::cls, X::ClassCode, nullptr, MxrWireKind::Local, \
                                 &X::MxrIsClassOrBase);                             \
    }                                                                               \
    static_assert(true)

#define MXR_CLASS_DEFINE(X)                                                         \
    MXR_DEFINE_TYPE_(X, MXR_TRAVELS_(X));                                           \
    MXR_DEFINE_ENCODING_SLOTS_(X);                                                  \
    MXR_DEFINE_FIELD_FUNCTIONS_(X);                                                 \
    MXR_DEFINE_FACTORY_(X)

#define MXR_CLASS_DEFINE_CUSTOM(X)                                                  \
    MXR_DEFINE_TYPE_(X, MXR_TRAVELS_(X));                                           \
    MXR_DEFINE_ENCODING_SLOTS_(X);                                                  \
    MXR_DEFINE_FACTORY_(X)

#define MXR_LOCAL_CLASS_DEFINE(X)                                                   \
    MXR_DEFINE_TYPE_(X, MXR_KIND_OF_(X) == MxrWireKind::Local);                     \
    MXR_DEFINE_ENCODING_SLOTS_(X);                                                  \
    MXR_DEFINE_FIELD_FUNCTIONS_(X);                                                 \
    MXR_DEFINE_LOCAL_RECORD_(X)

#define MXR_LOCAL_CLASS_DEFINE_CUSTOM(X)                                            \
    MXR_DEFINE_TYPE_(X, MXR_KIND_OF_(X) == MxrWireKind::Local);                     \
    MXR_DEFINE_ENCODING_SLOTS_(X);                                                  \
    MXR_DEFINE_LOCAL_RECORD_(X)

#define MXR_ABSTRACT_CLASS_DEFINE(X)                                                \
    MXR_DEFINE_TYPE_(X, MXR_KIND_OF_(X) == MxrWireKind::Abstract);                  \
    MXR_DEFINE_FIELD_FUNCTIONS_(X)

#define MXR_ABSTRACT_CLASS_DEFINE_CUSTOM(X) MXR_DEFINE_TYPE_(X, MXR_KIND_OF_(X) == MxrWireKind::Abstract)
