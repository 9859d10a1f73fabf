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
#include "MxrPreprocessor.h"
#include "SeqEnumCvt.h"

// A for-each over macro arguments (up to 256 of them).


#define MXR_ENUM_ROW_(X, name) EnumCvtEnt{static_cast<int>(X::name), #name}

#define MXR_ENUM_TABLE(X, Getter, ...)                                                   \
    BaseEnumCvtPtr X::Getter() {                                                         \
        MXR_FRAME(X::MxrNames::cls, #Getter, 0, X::MxrNames::src);                      \
        static constexpr EnumCvtEnt table[] = {MXR_PP_FOR_EACH(MXR_ENUM_ROW_, X, __VA_ARGS__)}; \
        return SeqEnumCvt::Create(table, static_cast<int>(std::size(table)));            \
    }                                                                                    \
    static_assert(true)
