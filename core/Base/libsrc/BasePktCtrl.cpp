#include "BasePktCtrl.h"

#include "BasePktBufr.h"
#include "ClassDefine.h"
#include "EnumDefine.h"
#include "MxrAssert.h"

MXR_ABSTRACT_CLASS_DEFINE(BasePktCtrl);
MXR_ENUM_TABLE(BasePktCtrl, GetEnDirectionCvtPtr, BADDIR, INTOPKT, OUTOFPKT);

BasePktCtrl::BasePktCtrl(const BasePktBufrPtr& first) : Direction(OUTOFPKT), PktCtrlId(0), Offset(0), BadFlg(0) {
    MXR_METHOD_FRAME("BasePktCtrl", 1);
    AskFirstPkt(first);
}

void BasePktCtrl::AskFirstPkt(const BasePktBufrPtr& first) {
    MXR_ASSERT(first.GetPtr() != nullptr, "first.Ok()", "BasePktCtrl");
    PktCtrlId = first->GetPktCtrlId();
}

void BasePktCtrl::SetDirection(enDirection direction) {
    MXR_METHOD_FRAME("SetDirection", 1);
    Direction = direction;
}

unsigned short BasePktCtrl::GetPktCtrlId() const {
    MXR_METHOD_FRAME("GetPktCtrlId", 0);
    return PktCtrlId;
}

void BasePktCtrl::SetPktCtrlId(unsigned short id) {
    MXR_METHOD_FRAME("SetPktCtrlId", 1);
    PktCtrlId = id;
}

short BasePktCtrl::GetBadFlg() const {
    MXR_METHOD_FRAME("GetBadFlg", 0);
    return BadFlg;
}

void BasePktCtrl::SetBadFlg(short flag) {
    MXR_METHOD_FRAME("SetBadFlg", 1);
    BadFlg = flag;
}

int _serialize(BasePktCtrl& c, BasePktCtrl::enDirection& v) {
    MXR_FRAME("BasePktCtrl", "_serialize", 2, "BasePktCtrl.c");
    return MxrSerializeEnum(c, v);
}
