// Enumeration converters, definition side: the table and the getter of an
// enumeration declared with MXR_ENUM (EnumPattern.h), in the owning class's
// unit:
//
//   MXR_ENUM_TABLE(PipeHead, GetHeartBeatStatusCvtPtr, NONE, INITIALIZING, ALIVE, DEAD);
//
// gives the static table {NONE, "NONE"}, {INITIALIZING, "INITIALIZING"}, ...
// (each enumerator's value and its name as written, in this order) and
// BaseEnumCvtPtr PipeHead::GetHeartBeatStatusCvtPtr(), which returns a new
// SeqEnumCvt over it. List exactly the named values of the enumeration.
#pragma once

#include <iterator>

#include "EnumCvtEnt.h"
#include "FuncInfo.h"
#include "SeqEnumCvt.h"

// A for-each over macro arguments (up to 256 of them).
#define MXR_PP_PARENS ()
#define MXR_PP_EXPAND(...) MXR_PP_EXPAND4(MXR_PP_EXPAND4(MXR_PP_EXPAND4(MXR_PP_EXPAND4(__VA_ARGS__))))
#define MXR_PP_EXPAND4(...) MXR_PP_EXPAND3(MXR_PP_EXPAND3(MXR_PP_EXPAND3(MXR_PP_EXPAND3(__VA_ARGS__))))
#define MXR_PP_EXPAND3(...) MXR_PP_EXPAND2(MXR_PP_EXPAND2(MXR_PP_EXPAND2(MXR_PP_EXPAND2(__VA_ARGS__))))
#define MXR_PP_EXPAND2(...) MXR_PP_EXPAND1(MXR_PP_EXPAND1(MXR_PP_EXPAND1(MXR_PP_EXPAND1(__VA_ARGS__))))
#define MXR_PP_EXPAND1(...) __VA_ARGS__
#define MXR_PP_FOR_EACH(macro, X, ...) __VA_OPT__(MXR_PP_EXPAND(MXR_PP_FOR_EACH_HELPER(macro, X, __VA_ARGS__)))
#define MXR_PP_FOR_EACH_HELPER(macro, X, a1, ...) \
    macro(X, a1) __VA_OPT__(, MXR_PP_FOR_EACH_AGAIN MXR_PP_PARENS(macro, X, __VA_ARGS__))
#define MXR_PP_FOR_EACH_AGAIN() MXR_PP_FOR_EACH_HELPER

#define MXR_ENUM_ROW_(X, name) EnumCvtEnt{static_cast<int>(X::name), #name}

#define MXR_ENUM_TABLE(X, Getter, ...)                                                   \
    BaseEnumCvtPtr X::Getter() {                                                         \
        MXR_FRAME(X::MxrNames::cls, #Getter, 0, X::MxrNames::src);                      \
        static constexpr EnumCvtEnt table[] = {MXR_PP_FOR_EACH(MXR_ENUM_ROW_, X, __VA_ARGS__)}; \
        return SeqEnumCvt::Create(table, static_cast<int>(std::size(table)));            \
    }                                                                                    \
    static_assert(true)
