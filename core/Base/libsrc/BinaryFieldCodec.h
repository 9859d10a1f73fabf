// The binary form of a class's fields and of its object (slot 1): the hooks
// that ClassEncoding.h joins to the class pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "BasePktCtrl.h"
#include "bStr.h"

// The wire width of an integer type that has a shortcut (0: none).
template <class T>
constexpr int MxrWireWidthOf() {
    if constexpr (std::is_same_v<T, char> || std::is_same_v<T, unsigned char>)
        return 1;
    else if constexpr (std::is_same_v<T, short> || std::is_same_v<T, unsigned short>)
        return 2;
    else if constexpr (std::is_same_v<T, int> || std::is_same_v<T, unsigned int> || std::is_same_v<T, long> ||
                       std::is_same_v<T, unsigned long>)
        return 4;
    else
        return 0;
}

// An integer as _serialize(c, v) moves it (the low Width bytes out; read
// back sign- or zero-extended as T is signed or not), through the window
// when it can: no call for the common case.
template <class T>
[[gnu::always_inline]] inline int MxrMoveInteger(BasePktCtrl& c, T& v) {
    constexpr int width = MxrWireWidthOf<T>();
    static_assert(width > 0, "an integer type of the wire");
    using Wire = std::conditional_t<width == 1, std::uint8_t, std::conditional_t<width == 2, std::uint16_t, std::uint32_t>>;
    std::uint64_t bits = static_cast<Wire>(v);
    bool read = false;
    if (!c.MoveWireBits<width>(&bits, &read)) return _serialize(c, v);
    if (read) {
        if constexpr (std::is_signed_v<T>)
            v = static_cast<T>(static_cast<std::make_signed_t<Wire>>(static_cast<Wire>(bits)));
        else
            v = static_cast<T>(static_cast<Wire>(bits));
    }
    return 0;
}

// A count (class code, length) as _serialize(c, v) moves it, through the
// window when it can.
[[gnu::always_inline]] inline int MxrMoveCount(BasePktCtrl& c, SpclSerialInt& v) {
    return c.MoveWireCount(&v.value) ? 0 : _serialize(c, v);
}

// A text as _serialize(c, v) moves it, through the window when it can: a
// length below 128 and its text in place; a longer text written through the
// window, or read by the body of the string's reader (no frame of its own,
// so only while tracing is off, as the window is).
[[gnu::always_inline]] inline int MxrMoveText(BasePktCtrl& c, bStr& v) {
    bool writing = false;
    if (char* at = c.Window(1, &writing)) {
        const int left = c.WindowLeft();
        if (writing) {
            const int len = v.StrLen();
            if (len < 0x80) {
                if (len < left) {
                    at[0] = static_cast<char>(len);
                    if (len > 0) std::memcpy(at + 1, v.StrVal(), static_cast<std::size_t>(len));
                    c.Advance(len + 1);
                    return 0;
                }
            } else {
                std::uint32_t count = static_cast<std::uint32_t>(len);
                // Packing only reads from the buffer.
                if (c.MoveWireCount(&count)) return c.MoveBytes(const_cast<char*>(v.StrVal()), len);
            }
        } else {
            const int len = static_cast<unsigned char>(at[0]);
            if (len >= 0x80) return MxrReadText(c, v);
            if (len < left) {
                if (len > 0) v = bStr::FromBytes(at + 1, len);  // a length of 0 leaves the string as it was
                c.Advance(len + 1);
                return 0;
            }
        }
    }
    return _serialize(c, v);
}

// An object field whose pointer is null (the length word 0 alone), through
// the window when it can; any other goes to _serialize(c, p).
template <class P>
[[gnu::always_inline]] inline int MxrMovePointer(BasePktCtrl& c, P& p) {
    BasePtr& held = p;
    bool writing = false;
    if (char* at = c.Window(4, &writing)) {
        if (writing) {
            if (held.GetPtr() == nullptr) {
                std::memset(at, 0, 4);
                c.Advance(4);
                return 0;
            }
        } else {
            std::uint32_t length;
            std::memcpy(&length, at, 4);
            if (length == 0) {
                if (held.GetPtr() != nullptr) held = BasePtr();
                c.Advance(4);
                return 0;
            }
        }
    }
    return _serialize(c, p);
}

// An enumeration goes as a 4-byte signed integer. Every integer read from a
// peer must be a valid value of the enumeration, hence the fixed type.
template <class E>
[[gnu::always_inline]] inline int MxrSerializeEnum(BasePktCtrl& c, E& value) {
    static_assert(std::is_same_v<std::underlying_type_t<E>, int> && requires(int i) { E{i}; },
                  "an enumeration on the wire needs the fixed underlying type int: enum E : int { ... }");
    int wire = static_cast<int>(value);
    int rc = MxrMoveInteger(c, wire);
    if (rc == 0 && c.GetDirection() != BasePktCtrl::INTOPKT) value = static_cast<E>(wire);
    return rc;
}

template <class Desc, class T>
[[gnu::always_inline]] inline int MxrBinarySerializeField(BasePktCtrl& c, const Desc& desc, T& value) {
    static_cast<void>(desc);
    if constexpr (Desc::isEnum)
        return MxrSerializeEnum(c, value);
    else if constexpr (MxrWireWidthOf<T>() > 0)
        return MxrMoveInteger(c, value);
    else if constexpr (std::is_same_v<T, bStr>)
        return MxrMoveText(c, value);
    else if constexpr (std::is_base_of_v<BasePtr, T>)
        return MxrMovePointer(c, value);
    else
        return _serialize(c, value);
}

// Slot 1: the class code as SpclSerialInt (written, or read and checked), then
// the fields through _serialize(c, X&).
template <class X>
[[gnu::always_inline]] inline int MxrBinarySerializeObject(BasePktCtrl& c, X& v) {
    SpclSerialInt code(static_cast<unsigned long>(X::ClassCode));
    if (int rc = MxrMoveCount(c, code)) return rc;
    if (code.value != static_cast<std::uint32_t>(X::ClassCode)) return 1;
    return _serialize(c, v);
}
