// The s-expression form of scalar values: every integer kind, bStr, C text
// and enumeration values. A scalar is a one-element list: (5), ("text"),
// (NAME). Each SetFromIoItem returns 0 on success and 1 when the item is not
// of the expected form, leaving the target unchanged; only the head of the
// list is read.
//
// Integers travel as 32 bits: the writer sign-extends signed kinds and
// zero-extends unsigned ones (long and unsigned long give their low 32 bits);
// the reader takes the low 8, 16 or 32 bits whatever the target's sign, so -1
// stored as an int prints as 4294967295 and reads back as -1.
#pragma once

#include <type_traits>
#include <utility>

#include "BaseEnumCvt.h"
#include "IoItem.h"
#include "bStr.h"

IoItemPtr GetIoItemFrom(char v);
IoItemPtr GetIoItemFrom(unsigned char v);
IoItemPtr GetIoItemFrom(short v);
IoItemPtr GetIoItemFrom(unsigned short v);
IoItemPtr GetIoItemFrom(int v);
IoItemPtr GetIoItemFrom(unsigned int v);
IoItemPtr GetIoItemFrom(long v);
IoItemPtr GetIoItemFrom(unsigned long v);
// Floating-point values: (text), an identifier holding the shortest decimal
// text that reads back to the same value ("20.5", "1e+30", "inf", "nan").
IoItemPtr GetIoItemFrom(float v);
IoItemPtr GetIoItemFrom(double v);
IoItemPtr GetIoItemFrom(long double v);
// ("text"): a string atom.
IoItemPtr GetIoItemFrom(const bStr& v);
// (text): an identifier atom. There is no reader for a C text.
IoItemPtr GetIoItemFrom(const char* v);

int SetFromIoItem(const IoItemPtr& i, char& v);
int SetFromIoItem(const IoItemPtr& i, unsigned char& v);
int SetFromIoItem(const IoItemPtr& i, short& v);
int SetFromIoItem(const IoItemPtr& i, unsigned short& v);
int SetFromIoItem(const IoItemPtr& i, int& v);
int SetFromIoItem(const IoItemPtr& i, unsigned int& v);
int SetFromIoItem(const IoItemPtr& i, long& v);
int SetFromIoItem(const IoItemPtr& i, unsigned long& v);
// The head may be a string or an identifier.
int SetFromIoItem(const IoItemPtr& i, bStr& v);
// The head: an identifier or a string that is a decimal number as a whole,
// or an integer (its unsigned value).
int SetFromIoItem(const IoItemPtr& i, float& v);
int SetFromIoItem(const IoItemPtr& i, double& v);
int SetFromIoItem(const IoItemPtr& i, long double& v);

// An enumeration value through its class's converter: (NAME) when the value
// has a name, else (n).
IoItemPtr GetIoItemFrom(int v, const BaseEnumCvtPtr& cvt);
// By the head of i: an integer sets any number; an identifier or a string is
// looked up by name. Anything else, or an unknown name, gives 1.
int SetFromIoItem(const IoItemPtr& i, int& v, const BaseEnumCvtPtr& cvt);

// The same under names that the class scope of an enumeration's owner (whose
// own slots are named GetIoItemFrom and SetFromIoItem) does not hide.
IoItemPtr MxrIoItemOfEnum(int v, const BaseEnumCvtPtr& cvt);
int MxrSetIntFromEnumItem(const IoItemPtr& i, int& v, const BaseEnumCvtPtr& cvt);
// 1 when v lies in the range of values of an enumeration whose named values
// are those of cvt and whose underlying type is not fixed.
int MxrEnumRangeHolds(const BaseEnumCvtPtr& cvt, long long v);

// Reads an enumeration field. A number that the enumeration type cannot hold
// (outside its underlying type when that is fixed, else outside the range
// its named values span) gives 1 and leaves v unchanged.
template <class E>
int MxrSetEnumFromIoItem(const IoItemPtr& i, E& v, const BaseEnumCvtPtr& cvt) {
    static_assert(std::is_enum_v<E>, "for enumeration values");
    using U = std::underlying_type_t<E>;
    int n = static_cast<int>(v);
    if (int rc = MxrSetIntFromEnumItem(i, n, cvt)) return rc;
    constexpr bool fixed = requires { E{U{}}; };
    if constexpr (fixed) {
        if (!std::in_range<U>(n)) return 1;
    } else {
        if (!MxrEnumRangeHolds(cvt, n)) return 1;
    }
    v = static_cast<E>(n);
    return 0;
}
