// The binary form of a class's fields and of its object (slot 1): the hooks
// that ClassEncoding.h joins to the class pattern.
#pragma once

#include <type_traits>

#include "BasePktCtrl.h"

// An enumeration goes as a 4-byte signed integer. Every integer read from a
// peer must be a valid value of the enumeration, hence the fixed type.
template <class E>
int MxrSerializeEnum(BasePktCtrl& c, E& value) {
    static_assert(std::is_same_v<std::underlying_type_t<E>, int> && requires(int i) { E{i}; },
                  "an enumeration on the wire needs the fixed underlying type int: enum E : int { ... }");
    int wire = static_cast<int>(value);
    int rc = _serialize(c, wire);
    if (rc == 0 && c.GetDirection() != BasePktCtrl::INTOPKT) value = static_cast<E>(wire);
    return rc;
}

template <class Desc, class T>
int MxrBinarySerializeField(BasePktCtrl& c, const Desc& desc, T& value) {
    static_cast<void>(desc);
    if constexpr (Desc::isEnum)
        return MxrSerializeEnum(c, value);
    else
        return _serialize(c, value);
}

// Slot 1: the class code as SpclSerialInt (written, or read and checked), then
// the fields through _serialize(c, X&).
template <class X>
int MxrBinarySerializeObject(BasePktCtrl& c, X& v) {
    SpclSerialInt code(static_cast<unsigned long>(X::ClassCode));
    if (int rc = _serialize(c, code)) return rc;
    if (code.value != static_cast<std::uint32_t>(X::ClassCode)) return 1;
    return _serialize(c, v);
}
