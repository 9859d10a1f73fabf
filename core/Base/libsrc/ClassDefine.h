// The standard class pattern, definition side: one line in the class's unit.
//
//   #include "X.h"
//   #include "ClassDefine.h"
//   MXR_CLASS_DEFINE(X, 48);
//
// MXR_CLASS_DEFINE(X, code): ClassCode, slots 1-6, the three free functions
// from the field list, the factory and the registration (a namespace-scope
// static record, so the class is registered when its library loads; static
// objects defined after it in the unit are constructed after it).
// MXR_CLASS_DEFINE_CUSTOM(X, code): the same without the three free
// functions, which the unit writes by hand (classes with special rules).
// MXR_CLASS_DEFINE_CUSTOM_FACTORY(X, code, make): as MXR_CLASS_DEFINE_CUSTOM, with
// the factory's instance made by the expression make (a new, uncounted X*, null
// when memory is short), for a class whose default constructor does more than
// an object read from a peer may cause (connect to the manager, say).
// MXR_ABSTRACT_CLASS_DEFINE(X, code): ClassCode, slots 4-6 and the three free
// functions from the field list; MXR_ABSTRACT_CLASS_DEFINE_CUSTOM(X, code)
// without the free functions.
// Every generated function opens a trace frame with X's names.
#pragma once

#include <new>

#include "ClassEncoding.h"
#include "ClassPattern.h"
#include "FuncInfo.h"
#include "RegisterClass.h"

#define MXR_FRAME_OF_(X, func, parms) MXR_FRAME(X::MxrNames::cls, (func), (parms), X::MxrNames::src)

#define MXR_DEFINE_TYPE_(X, code)                                                   \
    static_assert((code) >= 0, "class codes are not negative");                     \
    int X::ClassCode = (code);                                                      \
    int X::GetTypeId() const {                                                      \
        MXR_FRAME_OF_(X, "GetTypeId", 0);                                           \
        return X::ClassCode;                                                        \
    }                                                                               \
    int X::IsOfType(int id) const {                                                 \
        MXR_FRAME_OF_(X, "IsOfType", 1);                                            \
        return id == X::ClassCode ? 1 : X::MxrBase::IsOfType(id);                   \
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

// The factory (uncounted new object, null when memory is short) and the
// registering static record.
#define MXR_DEFINE_FACTORY_(X) MXR_DEFINE_FACTORY_MAKE_(X, new (std::nothrow) X())
#define MXR_DEFINE_FACTORY_MAKE_(X, make)                                           \
    BaseVirtItem* X::GetNew##X##Class() {                                           \
        MXR_FRAME_OF_(X, "GetNew" #X "Class", 0);                                   \
        return make;                                                                \
    }                                                                               \
    namespace {                                                                     \
    RegisterClass mxrRegister##X(X::MxrNames::cls, X::ClassCode,                    \
                                 &X::GetNew##X##Class);                             \
    }                                                                               \
    static_assert(true)

#define MXR_CLASS_DEFINE(X, code)                                                   \
    MXR_DEFINE_TYPE_(X, code);                                                      \
    MXR_DEFINE_ENCODING_SLOTS_(X);                                                  \
    MXR_DEFINE_FIELD_FUNCTIONS_(X);                                                 \
    MXR_DEFINE_FACTORY_(X)

#define MXR_CLASS_DEFINE_CUSTOM(X, code)                                            \
    MXR_DEFINE_TYPE_(X, code);                                                      \
    MXR_DEFINE_ENCODING_SLOTS_(X);                                                  \
    MXR_DEFINE_FACTORY_(X)

#define MXR_CLASS_DEFINE_CUSTOM_FACTORY(X, code, make)                             \
    MXR_DEFINE_TYPE_(X, code);                                                      \
    MXR_DEFINE_ENCODING_SLOTS_(X);                                                  \
    MXR_DEFINE_FACTORY_MAKE_(X, make)

#define MXR_ABSTRACT_CLASS_DEFINE(X, code)                                          \
    MXR_DEFINE_TYPE_(X, code);                                                      \
    MXR_DEFINE_FIELD_FUNCTIONS_(X)

#define MXR_ABSTRACT_CLASS_DEFINE_CUSTOM(X, code) MXR_DEFINE_TYPE_(X, code)
