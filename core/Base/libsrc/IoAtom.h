// The common base of the four atoms: identifier, integer, string, empty list.
// Inside a list an atom stays on the line of the list's opening parenthesis.
#pragma once

#include "IoItem.h"

class IoAtom : public IoItem {
    MXR_ABSTRACT_CLASS(IoAtom, IoItem);
    MXR_FIELDS();

protected:
    IoAtom();

public:
    ~IoAtom() override;
    using IoItem::Display;
};
MXR_COMPANION_PTR(IoAtom);
