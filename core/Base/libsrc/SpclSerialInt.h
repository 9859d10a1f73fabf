// The variable-length unsigned integer of the wire (class codes, string
// lengths): groups of 7 bits, least significant first, every byte but the last
// with 0x80 added. 0 is the single byte 00; a 32-bit value takes 1 to 5 bytes.
#pragma once

#include <cstdint>

#include "TypedPtr.h"

class BasePktCtrl;
class IoItem;

class SpclSerialInt {
public:
    SpclSerialInt() : value(0) {}
    SpclSerialInt(unsigned long v) : value(static_cast<std::uint32_t>(v)) {}

    std::uint32_t value;
};

// Writing: one DoBytes per byte; a failed byte does not stop the rest, the
// result is the last failure. Reading: byte after byte until one without the
// high bit; bits beyond 32 are dropped; a byte that cannot be read ends the
// call with that failure and the target keeps its value.
int _serialize(BasePktCtrl& c, SpclSerialInt& v);

// The text form: an unsigned integer, as any other 32-bit field.
TypedPtr<IoItem> GetIoItemFrom(const SpclSerialInt& v);
int SetFromIoItem(const TypedPtr<IoItem>& i, SpclSerialInt& v);
