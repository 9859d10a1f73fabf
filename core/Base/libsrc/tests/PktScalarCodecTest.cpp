// The fixed-width scalars and the variable-length integer of the wire.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "WireTestClasses.h"

namespace {

template <class T>
Bytes Written(T value) {
    PipePktCtrl c;
    EXPECT_EQ(_serialize(c, value), 0);
    return StreamOf(c);
}

template <class T>
T ReadBack(const Bytes& bytes, int* rc = nullptr) {
    Reader c = ReaderOf(bytes);
    T value{};
    int r = _serialize(*c, value);
    if (rc != nullptr) *rc = r;
    return value;
}

}  // namespace

TEST(WireScalar, LittleEndianFixedWidthsWhateverTheHost) {
    EXPECT_EQ(Written<char>(-2), Hex("FE"));
    EXPECT_EQ(Written<unsigned char>(0xAB), Hex("AB"));
    EXPECT_EQ(Written<short>(-2), Hex("FE FF"));
    EXPECT_EQ(Written<unsigned short>(0x1234), Hex("34 12"));
    EXPECT_EQ(Written<int>(-2), Hex("FE FF FF FF"));
    EXPECT_EQ(Written<unsigned int>(0x12345678u), Hex("78 56 34 12"));
    // long is 8 bytes here and 4 on the wire.
    EXPECT_EQ(Written<long>(-2), Hex("FE FF FF FF"));
    EXPECT_EQ(Written<unsigned long>(0x12345678ul), Hex("78 56 34 12"));
    EXPECT_EQ(Written<float>(1.0f), Hex("00 00 80 3F"));
    EXPECT_EQ(Written<double>(1.0), Hex("00 00 00 00 00 00 F0 3F"));
    // long double travels as an IEEE double.
    EXPECT_EQ(Written<long double>(1.0L), Hex("00 00 00 00 00 00 F0 3F"));
}

TEST(WireScalar, ValuesReadBackWithSignAndExtension) {
    EXPECT_EQ(ReadBack<char>(Hex("FE")), static_cast<char>(-2));
    EXPECT_EQ(ReadBack<short>(Hex("00 80")), -32768);
    EXPECT_EQ(ReadBack<unsigned short>(Hex("00 80")), 0x8000);
    EXPECT_EQ(ReadBack<int>(Hex("00 00 00 80")), std::numeric_limits<int>::min());
    EXPECT_EQ(ReadBack<long>(Hex("FF FF FF FF")), -1L);
    EXPECT_EQ(ReadBack<unsigned long>(Hex("FF FF FF FF")), 0xFFFFFFFFul);
    EXPECT_EQ(ReadBack<double>(Written<double>(-0.1)), -0.1);
    EXPECT_EQ(ReadBack<float>(Written<float>(3.25f)), 3.25f);
    EXPECT_EQ(ReadBack<long double>(Written<long double>(0.5L)), 0.5L);
    // Bits above the wire width are lost, as the peer would see them.
    EXPECT_EQ(ReadBack<long>(Written<long>(0x100000005L)), 5L);
}

TEST(WireScalar, LongDoubleBeyondTheDoubleRangeBecomesInfinity) {
    const long double huge = static_cast<long double>(DBL_MAX) * 4;
    EXPECT_TRUE(std::isinf(ReadBack<double>(Written<long double>(huge))));
    EXPECT_LT(ReadBack<double>(Written<long double>(-huge)), 0);
    EXPECT_TRUE(std::isnan(ReadBack<double>(Written<long double>(std::numeric_limits<long double>::quiet_NaN()))));
}

TEST(WireScalar, ShortStreamReportsTheMissingBytesAndKeepsTheValue) {
    Reader c = ReaderOf(Hex("01 02 03"));
    int v = 77;
    EXPECT_EQ(_serialize(*c, v), 1);  // 4 wanted, 3 there
    EXPECT_EQ(v, 77);
    EXPECT_EQ(c->GetOffset(), 3);  // what was there was consumed
    double d = 1.5;
    EXPECT_EQ(_serialize(*c, d), 8);
    EXPECT_EQ(d, 1.5);
}

TEST(WireScalar, NoDirectionFailsWithMinusOneAndMovesNothing) {
    Reader c = ReaderOf(Hex("01 02 03 04 05 06 07 08"));
    c->SetDirection(BasePktCtrl::BADDIR);
    char ch = 'x';
    int i = 7;
    long double ld = 2;
    SpclSerialInt n(9);
    EXPECT_EQ(_serialize(*c, ch), -1);
    EXPECT_EQ(_serialize(*c, i), -1);
    EXPECT_EQ(_serialize(*c, ld), -1);
    EXPECT_EQ(_serialize(*c, n), -1);
    EXPECT_EQ(ch, 'x');
    EXPECT_EQ(i, 7);
    EXPECT_EQ(n.value, 9u);
    EXPECT_EQ(c->GetOffset(), 0);
}

TEST(SpclSerialInt, TableOfValuesAndTheirBytes) {
    struct Case {
        unsigned long value;
        const char* bytes;
    };
    const Case cases[] = {
        {0, "00"},          {1, "01"},          {29, "1D"},       {127, "7F"},
        {128, "80 01"},     {300, "AC 02"},     {16383, "FF 7F"}, {16384, "80 80 01"},
        {65535, "FF FF 03"}, {4294967295ul, "FF FF FF FF 0F"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.value);
        SpclSerialInt v(k.value);
        EXPECT_EQ(Written(v), Hex(k.bytes));
        int rc = -5;
        SpclSerialInt back = ReadBack<SpclSerialInt>(Hex(k.bytes), &rc);
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(back.value, k.value);
    }
}

TEST(SpclSerialInt, ReadingStopsAtTheFirstByteWithoutTheHighBit) {
    Reader c = ReaderOf(Hex("AC 02 7F"));
    SpclSerialInt v;
    EXPECT_EQ(_serialize(*c, v), 0);
    EXPECT_EQ(v.value, 300u);
    EXPECT_EQ(c->GetOffset(), 2);
}

TEST(SpclSerialInt, StreamEndingInsideTheValueFailsAndKeepsTheTarget) {
    SpclSerialInt v(55);
    Reader c = ReaderOf(Hex("80"));
    EXPECT_GT(_serialize(*c, v), 0);
    EXPECT_EQ(v.value, 55u);
}

TEST(SpclSerialInt, GroupsBeyondThirtyTwoBitsAreReadAndDropped) {
    // Ten bytes: the first five give the value, the rest are consumed.
    Reader c = ReaderOf(Hex("81 80 80 80 F0 FF FF FF FF 7F 2A"));
    SpclSerialInt v;
    EXPECT_EQ(_serialize(*c, v), 0);
    EXPECT_EQ(v.value, 1u);  // bits 32 and up of the fifth group have no place
    EXPECT_EQ(c->GetOffset(), 10);
    unsigned char next = 0;
    EXPECT_EQ(_serialize(*c, next), 0);
    EXPECT_EQ(next, 0x2A);

    // A long run of continuation bytes that never ends is a short stream.
    Bytes run(5000, 0x80);
    Reader r = ReaderOf(run);
    EXPECT_EQ(_serialize(*r, v), 1);
    EXPECT_EQ(v.value, 1u);
}
