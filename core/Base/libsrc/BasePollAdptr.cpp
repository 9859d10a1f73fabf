#include "BasePollAdptr.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(BasePollAdptr, 11);

BasePollAdptr::BasePollAdptr() { MXR_METHOD_FRAME("BasePollAdptr", 0); }

BasePollAdptr::~BasePollAdptr() { MXR_METHOD_FRAME("~BasePollAdptr", 0); }

void BasePollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    static_cast<void>(p);
}

BasePollAdptr::enWork BasePollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    static_cast<void>(p);
    return NOWORK;
}
