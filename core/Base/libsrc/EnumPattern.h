// Enumeration converters, declaration side. A class X that owns an
// enumeration names it in its public part, right after the enumeration:
//
//   enum HeartBeatStatus { NONE = 0, INITIALIZING = 1, ALIVE = 2, DEAD = 3 };
//   MXR_ENUM(HeartBeatStatus, GetHeartBeatStatusCvtPtr);
//
// and defines the table in X.cpp with one line (EnumDefine.h):
//
//   MXR_ENUM_TABLE(X, GetHeartBeatStatusCvtPtr, NONE, INITIALIZING, ALIVE, DEAD);
//
// MXR_ENUM declares the getter, static BaseEnumCvtPtr X::Getter() (a new
// converter over the table on every call), and the enumeration's two
// conversions, GetIoItemFrom(E) and SetFromIoItem(const IoItemPtr&, E&),
// found by argument-dependent lookup, and MxrEnumCvtOf(E), the converter
// found from the type alone (MessageDeclare.h). A field of the enumeration
// goes into the field list as MXR_ENUM_FIELD("key", member, Getter).
//
// A value read back must be one the enumeration type can hold: give the
// enumeration a fixed underlying type (enum E : int) when every 32-bit number
// may arrive, as the binary form allows.
#pragma once

#include "BaseEnumCvt.h"
#include "IoItem.h"
#include "IoScalarCvt.h"

#define MXR_ENUM(E, Getter)                                                              \
    static BaseEnumCvtPtr Getter();                                                      \
    friend IoItemPtr GetIoItemFrom(E v) { return MxrIoItemOfEnum(static_cast<int>(v), Getter()); } \
    friend int SetFromIoItem(const IoItemPtr& i, E& v) { return MxrSetEnumFromIoItem(i, v, Getter()); } \
    friend BaseEnumCvtPtr MxrEnumCvtOf(E) { return Getter(); }                             \
    static_assert(true)
