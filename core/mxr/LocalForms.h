// The forms of a receiver whose own fields never travel (they are the state
// of this process): the binary form is the class code and the part of the
// base named (a receiver's address, a machine's states), the s-expression
// the class name alone, and reading sets nothing. Used with
// MXR_CLASS_DEFINE_CUSTOM in the class's unit:
//
//   MXR_LOCAL_CLASS_DEFINE_CUSTOM(MxrAdmin);
//   MXR_RECEIVER_FORMS(MxrAdmin, BaseMsgRcvr);
#pragma once

#include "ClassDefine.h"

#define MXR_LOCAL_FORMS(X, PackedBase)                          \
    int _serialize(BasePktCtrl& c, X& v) {                         \
        MXR_FRAME_OF_(X, "_serialize", 2);                         \
        return _serialize(c, static_cast<PackedBase&>(v));         \
    }                                                              \
    IoItemPtr GetIoItemFrom(const X& v) {                          \
        MXR_FRAME_OF_(X, "GetIoItemFrom", 1);                      \
        return GetIoItemFrom(static_cast<const BaseVirtItem&>(v)); \
    }                                                              \
    int SetFromIoItem(const IoItemPtr& i, X& v) {                  \
        MXR_FRAME_OF_(X, "SetFromIoItem", 2);                      \
        static_cast<void>(i);                                      \
        static_cast<void>(v);                                      \
        return 0;                                                  \
    }                                                              \
    static_assert(true)
