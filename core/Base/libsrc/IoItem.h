// The root of the s-expression items (abstract): every item class derives
// from it. The printing and field lookup operations come with the
// s-expression form.
#pragma once

#include "ClassPattern.h"

class IoItem : public BaseVirtItem {
    MXR_ABSTRACT_CLASS(IoItem, BaseVirtItem);
    MXR_FIELDS();

protected:
    IoItem();

public:
    ~IoItem() override;
};
MXR_COMPANION_PTR(IoItem);
