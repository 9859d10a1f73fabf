#include "SpclSerialInt.h"

#include <cstring>

#include "BasePktCtrl.h"
#include "FuncInfo.h"
#include "IoScalarCvt.h"

int _serialize(BasePktCtrl& c, SpclSerialInt& v) {
    MXR_FRAME("SpclSerialInt", "_serialize", 2, "SpclSerialInt.c");
    // In place, when the window is open (tracing off) and holds the form.
    bool writing = false;
    if (char* at = c.Window(1, &writing)) {
        const int left = c.WindowLeft();
        if (writing) {
            unsigned char form[5];
            int n = 0;
            for (std::uint32_t rest = v.value;; rest >>= 7) {
                form[n++] = static_cast<unsigned char>((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
                if (rest <= 0x7F) break;
            }
            if (left >= n) {
                std::memcpy(at, form, static_cast<std::size_t>(n));
                c.Advance(n);
                return 0;
            }
        } else {
            const auto* in = reinterpret_cast<const unsigned char*>(at);
            const int most = left < 5 ? left : 5;
            std::uint32_t value = 0;
            for (int index = 0; index < most; ++index) {
                value |= static_cast<std::uint32_t>(in[index] & 0x7F) << (7 * index);
                if ((in[index] & 0x80) == 0) {
                    c.Advance(index + 1);
                    v.value = value;
                    return 0;
                }
            }
        }
    }
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
