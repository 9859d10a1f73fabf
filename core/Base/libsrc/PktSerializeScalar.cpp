// The fixed-width scalars of the wire: little-endian bytes written and read
// explicitly, so neither the host's byte order nor its type sizes reach the
// wire.
#include <bit>
#include <cfloat>
#include <cstdint>
#include <limits>

#include "BasePktCtrl.h"
#include "FuncInfo.h"

#define SCALAR_FRAME() MXR_FRAME("BasePktCtrl", "_serialize", 2, "PktSerializeScalar.c")

namespace {

// Packing: the low `width` bytes of bits go out. Unpacking: they are read into
// *bits, which is touched only when all of them arrived. Returns the transfer's
// result and sets *read when a value was read.
template <int width>
int MoveBits(BasePktCtrl& c, std::uint64_t out, std::uint64_t* in, bool* read) {
    unsigned char bytes[8];
    *read = false;
    // In place, when the window is open (tracing off) and holds the value.
    std::uint64_t bits = out;
    if (c.MoveWireBits<width>(&bits, read)) {
        if (*read) *in = bits;
        return 0;
    }
    if (c.GetDirection() == BasePktCtrl::INTOPKT) {
        for (int i = 0; i < width; ++i) bytes[i] = static_cast<unsigned char>(out >> (8 * i));
        return c.MoveBytes(reinterpret_cast<char*>(bytes), width);
    }
    if (int rc = c.MoveBytes(reinterpret_cast<char*>(bytes), width)) return rc;
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) value |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    *in = value;
    *read = true;
    return 0;
}

// One scalar: Width bytes on the wire; ToWire gives its bits, FromWire makes
// the value back from them.
template <int Width, class T, class ToWire, class FromWire>
int MoveScalar(BasePktCtrl& c, T& v, ToWire toWire, FromWire fromWire) {
    std::uint64_t in = 0;
    bool read = false;
    int rc = MoveBits<Width>(c, toWire(v), &in, &read);
    if (read) v = fromWire(in);
    return rc;
}

template <class U, class S>
S Signed(std::uint64_t bits) {
    // Two's complement of the wire width; conversion to a signed type is modular.
    return static_cast<S>(static_cast<U>(bits));
}

}  // namespace

int _serialize(BasePktCtrl& c, char& v) {
    SCALAR_FRAME();
    return MoveScalar<1>(
        c, v, [](char x) { return static_cast<std::uint64_t>(static_cast<unsigned char>(x)); },
        [](std::uint64_t b) { return static_cast<char>(static_cast<unsigned char>(b)); });
}

int _serialize(BasePktCtrl& c, unsigned char& v) {
    SCALAR_FRAME();
    return MoveScalar<1>(
        c, v, [](unsigned char x) { return static_cast<std::uint64_t>(x); },
        [](std::uint64_t b) { return static_cast<unsigned char>(b); });
}

int _serialize(BasePktCtrl& c, short& v) {
    SCALAR_FRAME();
    return MoveScalar<2>(
        c, v, [](short x) { return static_cast<std::uint64_t>(static_cast<std::uint16_t>(x)); },
        [](std::uint64_t b) { return Signed<std::uint16_t, short>(b); });
}

int _serialize(BasePktCtrl& c, unsigned short& v) {
    SCALAR_FRAME();
    return MoveScalar<2>(
        c, v, [](unsigned short x) { return static_cast<std::uint64_t>(x); },
        [](std::uint64_t b) { return static_cast<unsigned short>(b); });
}

int _serialize(BasePktCtrl& c, int& v) {
    SCALAR_FRAME();
    return MoveScalar<4>(
        c, v, [](int x) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)); },
        [](std::uint64_t b) { return Signed<std::uint32_t, int>(b); });
}

int _serialize(BasePktCtrl& c, unsigned int& v) {
    SCALAR_FRAME();
    return MoveScalar<4>(
        c, v, [](unsigned int x) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)); },
        [](std::uint64_t b) { return static_cast<unsigned int>(static_cast<std::uint32_t>(b)); });
}

// long is 8 bytes on this platform and 4 on the wire: the low 32 bits go out,
// and a value read back is sign-extended (zero-extended when unsigned).
int _serialize(BasePktCtrl& c, long& v) {
    SCALAR_FRAME();
    return MoveScalar<4>(
        c, v, [](long x) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)); },
        [](std::uint64_t b) { return static_cast<long>(Signed<std::uint32_t, std::int32_t>(b)); });
}

int _serialize(BasePktCtrl& c, unsigned long& v) {
    SCALAR_FRAME();
    return MoveScalar<4>(
        c, v, [](unsigned long x) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)); },
        [](std::uint64_t b) { return static_cast<unsigned long>(static_cast<std::uint32_t>(b)); });
}

int _serialize(BasePktCtrl& c, float& v) {
    SCALAR_FRAME();
    static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559, "float must be IEEE single");
    return MoveScalar<4>(
        c, v, [](float x) { return static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(x)); },
        [](std::uint64_t b) { return std::bit_cast<float>(static_cast<std::uint32_t>(b)); });
}

int _serialize(BasePktCtrl& c, double& v) {
    SCALAR_FRAME();
    static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559, "double must be IEEE double");
    return MoveScalar<8>(
        c, v, [](double x) { return std::bit_cast<std::uint64_t>(x); },
        [](std::uint64_t b) { return std::bit_cast<double>(b); });
}

// long double travels as an IEEE double; a finite value beyond the double's
// range becomes the infinity of its sign.
int _serialize(BasePktCtrl& c, long double& v) {
    SCALAR_FRAME();
    return MoveScalar<8>(
        c, v,
        [](long double x) {
            double d;
            if (x > static_cast<long double>(DBL_MAX))
                d = std::numeric_limits<double>::infinity();
            else if (x < -static_cast<long double>(DBL_MAX))
                d = -std::numeric_limits<double>::infinity();
            else
                d = static_cast<double>(x);
            return std::bit_cast<std::uint64_t>(d);
        },
        [](std::uint64_t b) { return static_cast<long double>(std::bit_cast<double>(b)); });
}
