// An integer atom: 32 bits, printed as an unsigned decimal number. Every
// integer kind converts through it; the reader takes the low 8, 16 or 32 bits.
#pragma once

#include "IoAtom.h"

class IoInt : public IoAtom {
    MXR_CLASS(IoInt, IoAtom);
    MXR_FIELDS(MXR_FIELD("value", value));

public:
    IoInt();
    IoInt(unsigned long v);  // keeps the low 32 bits
    ~IoInt() override;

    unsigned long GetValue() const;
    void SetValue(unsigned long v);

    using IoAtom::Display;
    std::ostream& Display(std::ostream& os, int indent) override;

private:
    unsigned int value;  // 32 bits on every supported platform
};
MXR_COMPANION_PTR(IoInt);
