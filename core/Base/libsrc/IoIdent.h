// An identifier atom: class names, field keys, enumeration names. Prints its
// text as it is, without quotes.
#pragma once

#include "IoAtom.h"
#include "bStr.h"

class IoIdent : public IoAtom {
    MXR_CLASS(IoIdent, IoAtom);
    MXR_FIELDS(MXR_FIELD("value", value));

public:
    IoIdent();
    IoIdent(const char* text);
    IoIdent(const bStr& text);
    ~IoIdent() override;

    bStr GetValue() const;
    void SetValue(bStr text);

    using IoAtom::Display;
    std::ostream& Display(std::ostream& os, int indent) override;

private:
    bStr value;
};
MXR_COMPANION_PTR(IoIdent);
