// The parts every table-driven machine X defines the same way, in X's unit
// after its state names and its table:
//
//   MXR_STATE_MACH_DEFINE(X, stateNames, table, START);
//
// defines X() (empty fields, in state START), ~X(), GetEnStateNameCvtPtr (a
// converter over stateNames, an array of EnumCvtEnt) and GetStateTbl (table),
// each with X's trace frame. X declares them (X(); ~X() override; and the
// two overrides of BaseStateMach).
#pragma once

#include <iterator>

#include "FuncInfo.h"
#include "SeqEnumCvt.h"

#define MXR_STATE_MACH_DEFINE(X, stateNames, table, startState)                     \
    X::X() {                                                                        \
        MXR_METHOD_FRAME(#X, 0);                                                    \
        SetState(startState);                                                       \
    }                                                                               \
    X::~X() { MXR_METHOD_FRAME("~" #X, 0); }                                        \
    BaseEnumCvtPtr X::GetEnStateNameCvtPtr() {                                      \
        MXR_METHOD_FRAME("GetEnStateNameCvtPtr", 0);                                \
        return SeqEnumCvt::Create(stateNames, static_cast<int>(std::size(stateNames))); \
    }                                                                               \
    const StateTblEnt* X::GetStateTbl() {                                           \
        MXR_METHOD_FRAME("GetStateTbl", 0);                                         \
        return table;                                                               \
    }                                                                               \
    static_assert(true)
