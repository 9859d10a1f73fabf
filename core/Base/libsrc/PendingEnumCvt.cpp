// Stand-in until the enumeration converters exist: the getters answer with no
// converter. Removed when the converter classes are built.
#include "BasePktCtrl.h"
#include "ClassDefine.h"
#include "PipePktBufr.h"

class BaseEnumCvt : public BaseVirtItem {
    MXR_ABSTRACT_CLASS(BaseEnumCvt, BaseVirtItem);
    MXR_FIELDS();
};
MXR_ABSTRACT_CLASS_DEFINE(BaseEnumCvt, 4);

BaseEnumCvtPtr BasePktCtrl::GetEnDirectionCvtPtr() {
    MXR_METHOD_FRAME("GetEnDirectionCvtPtr", 0);
    return BaseEnumCvtPtr();
}

BaseEnumCvtPtr PipePktBufr::GetEnSizeCvtPtr() {
    MXR_METHOD_FRAME("GetEnSizeCvtPtr", 0);
    return BaseEnumCvtPtr();
}
