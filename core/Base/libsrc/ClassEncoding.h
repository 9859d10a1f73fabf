// How a class's fields and its object form are encoded: the binary form
// (_serialize, slot 1) and the s-expression form (GetIoItemFrom, slot 2, and
// SetFromIoItem, slot 3). Every class's generated slots and free functions
// (ClassDefine.h) call the templates below, so this header is the one place
// where the encodings are joined to the class pattern.
//
// Structure that stays:
//   - slot 1 writes/reads the class code, then _serialize(c, X&);
//   - slot 2 is (ClassName . GetIoItemFrom(const X&));
//   - slot 3 is SetFromIoItem(i, X&);
//   - each free function does the base's part first (the base's own free
//     function, found by argument-dependent lookup), then the own fields of
//     the field list: _serialize stops at the first failure, GetIoItemFrom
//     appends (key . value) cells, SetFromIoItem looks each key up, skips a
//     missing one and returns the last failure.
// The per-field bodies are in BinaryFieldCodec.h and TextFieldCodec.h.
#pragma once

#include "BasePtr.h"
#include "BinaryFieldCodec.h"
#include "FieldList.h"
#include "FuncInfo.h"
#include "IoItem.h"
#include "TextFieldCodec.h"
#include "TypedPtr.h"

// ---- per field ---------------------------------------------------------------
// desc.key, desc.member, desc.isEnum and desc.enumCvt (the converter getter of
// an enumeration field) describe the field; value is the field itself.

template <class Desc, class T>
[[gnu::always_inline]] inline int MxrSerializeField(BasePktCtrl& c, const Desc& desc, T& value) {
    return MxrBinarySerializeField(c, desc, value);
}

template <class Desc, class T>
void MxrAppendFieldIoItem(IoItemPtr& list, const Desc& desc, const T& value) {
    // The cell (key . value tree); an enumeration through desc.enumCvt().
    MxrTextAppendField(list, desc, value);
}

template <class Desc, class T>
int MxrSetFieldFromIoItem(const IoItemPtr& fields, const Desc& desc, T& value) {
    // The key's value tree converted into value; a missing key is no failure.
    return MxrTextSetField(fields, desc, value);
}

// ---- object level: slots 1-3 of every class ----------------------------------

template <class X>
[[gnu::always_inline]] inline int MxrSerializeObject(BasePktCtrl& c, X& v) {
    return MxrBinarySerializeObject(c, v);
}

template <class X>
IoItemPtr MxrIoItemOfObject(const X& v) {
    IoItemPtr fields = GetIoItemFrom(v);
    return MxrObjectTree(v.GetClassName(), fields);
}

template <class X>
int MxrSetObjectFromIoItem(const IoItemPtr& i, X& v) {
    return SetFromIoItem(i, v);
}

// ---- the free functions of a class with a field list ---------------------------
// One policy per encoding for MxrVisitFields: Base handles the base's part,
// Field one own field.

template <class X>
struct MxrSerializePolicy {
    BasePktCtrl& c;
    [[gnu::always_inline]] int Base(typename X::MxrBase& base) {
        // The root has no fields: its call is made only where a traced run shows it.
        if constexpr (std::is_same_v<typename X::MxrBase, BaseVirtItem>)
            if (!FuncInfo::MayTrace()) return 0;
        return _serialize(c, base);
    }
    template <class Desc, class T>
    [[gnu::always_inline]] int Field(const Desc& desc, T& value) { return MxrSerializeField(c, desc, value); }
};

template <class X>
struct MxrIoItemPolicy {
    IoItemPtr list;
    int Base(const typename X::MxrBase& base) {
        list = GetIoItemFrom(base);
        return 0;
    }
    template <class Desc, class T>
    int Field(const Desc& desc, const T& value) {
        MxrAppendFieldIoItem(list, desc, value);
        return 0;
    }
};

template <class X>
struct MxrSetFromIoItemPolicy {
    const IoItemPtr& i;
    int result;
    int Base(typename X::MxrBase& base) {
        result = SetFromIoItem(i, base);
        return 0;
    }
    template <class Desc, class T>
    int Field(const Desc& desc, T& value) {
        // A field of the wrong form is skipped; the others are still read.
        if (int rc = MxrSetFieldFromIoItem(i, desc, value)) result = rc;
        return 0;
    }
};

template <class X>
[[gnu::always_inline]] inline int MxrSerializeFields(BasePktCtrl& c, X& v) {
    return MxrVisitFields(v, MxrSerializePolicy<X>{c});
}

template <class X>
IoItemPtr MxrIoItemOfFields(const X& v) {
    MxrIoItemPolicy<X> policy;
    MxrVisitFields(v, policy);
    return policy.list;
}

template <class X>
int MxrSetFieldsFromIoItem(const IoItemPtr& i, X& v) {
    MxrSetFromIoItemPolicy<X> policy{i, 0};
    MxrVisitFields(v, policy);
    return policy.result;
}
