#include "IoScalarCvt.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <new>

#include "FuncInfo.h"
#include "IoCons.h"
#include "IoIdent.h"
#include "IoInt.h"
#include "IoString.h"

#define MXR_CVT_FRAME(func, parms) MXR_FRAME("IoScalarCvt", (func), (parms), "IoScalarCvt.c")

namespace {

IoItemPtr OneElementList(IoItem* atom) {
    return IoItemPtr(new IoCons(IoItemPtr(atom)));
}

IoItemPtr OfBits(std::uint32_t bits) { return OneElementList(new IoInt(bits)); }

// The head of the one-element list i when it is of class code, else null.
IoItem* HeadOf(const IoItemPtr& i, int code) {
    if (!IoItem::IsItemOf(i, IoCons::ClassCode)) return nullptr;
    IoItemPtr head = static_cast<IoCons*>(i.GetPtr())->GetCar();
    return IoItem::IsItemOf(head, code) ? head.GetPtr() : nullptr;  // i keeps head alive
}

// The 32 bits of the integer at the head of i; 1 when there is none.
int BitsOf(const IoItemPtr& i, std::uint32_t& bits) {
    IoItem* head = HeadOf(i, IoInt::ClassCode);
    if (head == nullptr) return 1;
    bits = static_cast<std::uint32_t>(static_cast<IoInt*>(head)->GetValue());
    return 0;
}

template <class T>
int SetLowBits(const IoItemPtr& i, T& v) {
    std::uint32_t bits = 0;
    if (BitsOf(i, bits) != 0) return 1;
    // The low bits of the target's width, then its own sign (modular).
    using Width = std::conditional_t<(sizeof(T) < 4), std::make_unsigned_t<T>, std::uint32_t>;
    using Signed = std::conditional_t<std::is_signed_v<T>, std::make_signed_t<Width>, Width>;
    v = static_cast<T>(static_cast<Signed>(static_cast<Width>(bits)));
    return 0;
}

template <class F>
IoItemPtr OfFloating(F v) {
    char text[64];
    std::to_chars_result r = std::to_chars(text, text + sizeof text - 1, v);
    *r.ptr = '\0';
    return OneElementList(new IoIdent(text));
}

template <class F>
int SetFloating(const IoItemPtr& i, F& v) {
    std::uint32_t bits = 0;
    if (BitsOf(i, bits) == 0) {
        v = static_cast<F>(bits);
        return 0;
    }
    bStr text;
    if (SetFromIoItem(i, text) != 0) return 1;
    const char* first = text.StrVal();
    const char* last = first + text.StrLen();
    F parsed{};
    std::from_chars_result r = std::from_chars(first, last, parsed);
    if (r.ec != std::errc() || r.ptr != last || first == last) return 1;
    v = parsed;
    return 0;
}

}  // namespace

IoItemPtr GetIoItemFrom(char v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfBits(static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(v))));
}

IoItemPtr GetIoItemFrom(unsigned char v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfBits(v);
}

IoItemPtr GetIoItemFrom(short v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfBits(static_cast<std::uint32_t>(static_cast<std::int32_t>(v)));
}

IoItemPtr GetIoItemFrom(unsigned short v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfBits(v);
}

IoItemPtr GetIoItemFrom(int v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfBits(static_cast<std::uint32_t>(v));
}

IoItemPtr GetIoItemFrom(unsigned int v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfBits(v);
}

IoItemPtr GetIoItemFrom(long v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfBits(static_cast<std::uint32_t>(v));
}

IoItemPtr GetIoItemFrom(unsigned long v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfBits(static_cast<std::uint32_t>(v));
}

IoItemPtr GetIoItemFrom(float v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfFloating(v);
}

IoItemPtr GetIoItemFrom(double v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfFloating(v);
}

IoItemPtr GetIoItemFrom(long double v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OfFloating(v);
}

IoItemPtr GetIoItemFrom(const bStr& v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OneElementList(new IoString(v));
}

IoItemPtr GetIoItemFrom(const char* v) {
    MXR_CVT_FRAME("GetIoItemFrom", 1);
    return OneElementList(new IoIdent(v));
}

int SetFromIoItem(const IoItemPtr& i, char& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetLowBits(i, v);
}

int SetFromIoItem(const IoItemPtr& i, unsigned char& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetLowBits(i, v);
}

int SetFromIoItem(const IoItemPtr& i, short& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetLowBits(i, v);
}

int SetFromIoItem(const IoItemPtr& i, unsigned short& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetLowBits(i, v);
}

int SetFromIoItem(const IoItemPtr& i, int& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetLowBits(i, v);
}

int SetFromIoItem(const IoItemPtr& i, unsigned int& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetLowBits(i, v);
}

int SetFromIoItem(const IoItemPtr& i, long& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetLowBits(i, v);
}

int SetFromIoItem(const IoItemPtr& i, unsigned long& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetLowBits(i, v);
}

int SetFromIoItem(const IoItemPtr& i, bStr& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    if (IoItem* s = HeadOf(i, IoString::ClassCode)) {
        v = static_cast<IoString*>(s)->GetValue();
        return 0;
    }
    if (IoItem* id = HeadOf(i, IoIdent::ClassCode)) {
        v = static_cast<IoIdent*>(id)->GetValue();
        return 0;
    }
    return 1;
}

int SetFromIoItem(const IoItemPtr& i, float& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetFloating(i, v);
}

int SetFromIoItem(const IoItemPtr& i, double& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetFloating(i, v);
}

int SetFromIoItem(const IoItemPtr& i, long double& v) {
    MXR_CVT_FRAME("SetFromIoItem", 2);
    return SetFloating(i, v);
}

IoItemPtr GetIoItemFrom(int v, const BaseEnumCvtPtr& cvt) {
    MXR_CVT_FRAME("GetIoItemFrom", 2);
    return MxrIoItemOfEnum(v, cvt);
}

int SetFromIoItem(const IoItemPtr& i, int& v, const BaseEnumCvtPtr& cvt) {
    MXR_CVT_FRAME("SetFromIoItem", 3);
    return MxrSetIntFromEnumItem(i, v, cvt);
}

IoItemPtr MxrIoItemOfEnum(int v, const BaseEnumCvtPtr& cvt) {
    MXR_CVT_FRAME("MxrIoItemOfEnum", 2);
    bStr name = cvt.GetRefPtr() != nullptr ? cvt->GetStr(v) : bStr();
    if (name.StrLen() > 0) return OneElementList(new IoIdent(name));
    return OfBits(static_cast<std::uint32_t>(v));
}

int MxrSetIntFromEnumItem(const IoItemPtr& i, int& v, const BaseEnumCvtPtr& cvt) {
    MXR_CVT_FRAME("MxrSetIntFromEnumItem", 3);
    std::uint32_t bits = 0;
    if (BitsOf(i, bits) == 0) {
        v = static_cast<int>(bits);
        return 0;
    }
    bStr name;
    if (SetFromIoItem(i, name) != 0 || cvt.GetRefPtr() == nullptr) return 1;
    return cvt->GetValue(v, name) == 0 ? 0 : 1;
}

int MxrEnumRangeHolds(const BaseEnumCvtPtr& cvt, long long v) {
    MXR_CVT_FRAME("MxrEnumRangeHolds", 2);
    // The range of an enumeration without a fixed underlying type is that of
    // the smallest bit-field holding all its enumerators: 0 .. 2^M-1 when
    // none is negative, else -2^M .. 2^M-1.
    long long lo = 0;
    long long hi = 0;
    if (cvt.GetRefPtr() != nullptr) {
        for (cvt->First(); cvt->Eol() == 0; cvt->Next()) {
            int value = 0;
            cvt->GetValue(value);
            if (value < lo) lo = value;
            if (value > hi) hi = value;
        }
    }
    long long top = 0;  // 2^M - 1
    while (top < hi || (lo < 0 && -top - 1 > lo)) top = top * 2 + 1;
    const long long bottom = lo < 0 ? -top - 1 : 0;
    return v >= bottom && v <= top ? 1 : 0;
}
