// The getter and setter of one field of a record class, each with the trace
// frame of the class, in the class's unit:
//
//   MXR_RECORD_ACCESSORS(DestHostEnt, Priority, int, priority);
//
// defines int DestHostEnt::GetPriority() const and
// void DestHostEnt::SetPriority(int value), declared in the class.
#pragma once

#include "FuncInfo.h"

#define MXR_RECORD_ACCESSORS(X, Name, Type, field) \
    Type X::Get##Name() const {                    \
        MXR_METHOD_FRAME("Get" #Name, 0);          \
        return field;                              \
    }                                              \
    void X::Set##Name(Type value) {                \
        MXR_METHOD_FRAME("Set" #Name, 1);          \
        field = value;                             \
    }                                              \
    static_assert(true)
