#include "SpclSerialInt.h"

#include "BasePktCtrl.h"
#include "FuncInfo.h"
#include "IoScalarCvt.h"

int _serialize(BasePktCtrl& c, SpclSerialInt& v) {
    MXR_FRAME("SpclSerialInt", "_serialize", 2, "SpclSerialInt.c");
    // In place, when the window is open (tracing off) and holds the form.
    if (c.MoveWireCount(&v.value)) return 0;
    if (c.GetDirection() == BasePktCtrl::INTOPKT) {
        std::uint32_t rest = v.value;
        int result = 0;
        do {
            unsigned char byte = static_cast<unsigned char>(rest & 0x7F);
            rest >>= 7;
            if (rest != 0) byte |= 0x80;
            if (int rc = c.MoveBytes(reinterpret_cast<char*>(&byte), 1)) result = rc;
        } while (rest != 0);
        return result;
    }
    // The number of bytes is not bounded: a sender may pad with 0x80 groups.
    // Only the first five groups have a place in 32 bits; the rest are read
    // and dropped.
    std::uint32_t value = 0;
    for (int index = 0;; ++index) {
        unsigned char byte = 0;
        if (int rc = c.MoveBytes(reinterpret_cast<char*>(&byte), 1)) return rc;
        if (index < 5) value |= static_cast<std::uint32_t>(byte & 0x7F) << (7 * index);
        if ((byte & 0x80) == 0) break;
        if (index >= 5) index = 5;  // keeps the counter from overflowing on a long run
    }
    v.value = value;
    return 0;
}

IoItemPtr GetIoItemFrom(const SpclSerialInt& v) {
    MXR_FRAME("SpclSerialInt", "GetIoItemFrom", 1, "SpclSerialInt.c");
    return GetIoItemFrom(static_cast<unsigned long>(v.value));
}

int SetFromIoItem(const IoItemPtr& i, SpclSerialInt& v) {
    MXR_FRAME("SpclSerialInt", "SetFromIoItem", 2, "SpclSerialInt.c");
    unsigned long value = v.value;
    if (int rc = SetFromIoItem(i, value)) return rc;
    v.value = static_cast<std::uint32_t>(value);
    return 0;
}
