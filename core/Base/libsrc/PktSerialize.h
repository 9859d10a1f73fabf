// The free encoding functions of the binary wire form. Each moves one value
// through a packet controller in the controller's direction and returns 0 or
// the first failure (see BasePktCtrl.h for the result codes).
//
// Wire rules: no alignment or padding; multi-byte scalars little-endian, two's
// complement; fixed widths whatever the host's: char 1, short 2, int 4, long 4,
// float 4, double 8, long double 8 (as an IEEE double), an enumeration 4 (a
// signed int). A value that cannot be read completely is left unchanged.
#pragma once

#include "ObjectDepth.h"
#include "SpclSerialInt.h"
#include "TypedPtr.h"

class BasePktCtrl;
class bStr;
class LocalPktCtrl;
using LocalPktCtrlPtr = TypedPtr<LocalPktCtrl>;

int _serialize(BasePktCtrl& c, char& v);
int _serialize(BasePktCtrl& c, unsigned char& v);
int _serialize(BasePktCtrl& c, short& v);
int _serialize(BasePktCtrl& c, unsigned short& v);
int _serialize(BasePktCtrl& c, int& v);
int _serialize(BasePktCtrl& c, unsigned int& v);
int _serialize(BasePktCtrl& c, long& v);
int _serialize(BasePktCtrl& c, unsigned long& v);
int _serialize(BasePktCtrl& c, float& v);
int _serialize(BasePktCtrl& c, double& v);
int _serialize(BasePktCtrl& c, long double& v);

// Length as SpclSerialInt, then the characters without a terminator; the empty
// and the null string are the byte 00. Reading a length of 0 (or 2^31 and more
// as a signed number) leaves the string as it was; the text ends at the first
// NUL among the bytes read. Beyond its first 4 KB, memory grows only with the
// bytes that arrive, so a length beyond the stream reports the missing count
// without allocating it.
// Without direction nothing happens and the result is 0.
int _serialize(BasePktCtrl& c, bStr& v);
// The same while reading, without a trace frame: the encoders' shortcut for a
// text whose length takes more than one byte.
int MxrReadText(BasePktCtrl& c, bStr& v);

// An object field: a 4-byte length word (the object's bytes that follow), then
// the object from its class code; a null pointer is the length word 0 alone.
// Reading makes the object of the registered class of its code and lets it read
// itself (the pointer keeps it even when that fails); an object of a class this
// program does not have is kept as raw bytes in a LocalPktCtrl and written out
// again unchanged. Refused with 1, before anything is constructed and with the
// pointer unchanged: a registered class that may not travel (local-only) or
// that does not derive from the field's declared class; also a negative length
// of an unknown class, and objects nested more than MxrMaxObjectDepth deep
// (either direction).
// A BasePtr field is declared as BaseVirtItem: any class that travels.
int _serialize(BasePktCtrl& c, BasePtr& p);
// A typed field XPtr: only X and classes derived from it.
int MxrSerializePointer(BasePktCtrl& c, BasePtr& p, int declaredType);
template <class X>
int _serialize(BasePktCtrl& c, TypedPtr<X>& p) {
    return MxrSerializePointer(c, p, X::ClassCode);
}

// While one lives on a thread, a field whose object is of a registered class
// the field may not hold is read as null (the object passed over by its
// length, never constructed) instead of failing the read: for finding the
// sender of a request that cannot be delivered, never for delivering it.
class MxrForeignFieldsAsNull {
public:
    MxrForeignFieldsAsNull();
    ~MxrForeignFieldsAsNull();
    MxrForeignFieldsAsNull(const MxrForeignFieldsAsNull&) = delete;
    MxrForeignFieldsAsNull& operator=(const MxrForeignFieldsAsNull&) = delete;

private:
    bool was;
};

// Raw copy of count bytes between c and a LocalPktCtrl's store (-1: as many as
// the store holds), through a 128-byte scratch area. Packing copies the store
// out from its first byte, reading copies into it from its first byte; the
// store's direction is set accordingly. count < 1 does nothing.
int _serialize(BasePktCtrl& c, LocalPktCtrlPtr& local, int count);
