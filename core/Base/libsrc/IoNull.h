// The empty list, "()". One shared instance serves every empty list that the
// conversions build; a new IoNull is made only when one is read from the
// binary form. Test for the empty list by class code, never by identity.
#pragma once

#include "IoAtom.h"

class IoNull;
MXR_COMPANION_PTR(IoNull);

class IoNull : public IoAtom {
    MXR_CLASS(IoNull, IoAtom);
    MXR_FIELDS();

public:
    IoNull();
    ~IoNull() override;

    using IoAtom::Display;
    std::ostream& Display(std::ostream& os, int indent) override;

    // The process-wide empty list; made on the first call (at library load at
    // the latest), safely when several threads make that call at once.
    static IoNullPtr& GetGlobalIoNullPtr();
    // 1 when p holds an empty list (any IoNull, shared or not).
    static int IsNull(const BasePtr& p);
};
