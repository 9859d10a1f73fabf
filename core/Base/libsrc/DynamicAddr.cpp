#include "DynamicAddr.h"

#include "BaseAddrEnt.h"
#include "ClassDefine.h"
#include "DynamicAddrEnt.h"

MXR_CLASS_DEFINE(DynamicAddr);

DynamicAddr::DynamicAddr() : idx(0), uniq(0) { MXR_METHOD_FRAME("DynamicAddr", 0); }

DynamicAddr::DynamicAddr(unsigned short idx_, unsigned short uniq_) : idx(idx_), uniq(uniq_) {
    MXR_METHOD_FRAME("DynamicAddr", 2);
}

DynamicAddr::~DynamicAddr() { MXR_METHOD_FRAME("~DynamicAddr", 0); }

unsigned short DynamicAddr::GetIdx() const {
    MXR_METHOD_FRAME("GetIdx", 0);
    return idx;
}

void DynamicAddr::SetIdx(unsigned short idx_) {
    MXR_METHOD_FRAME("SetIdx", 1);
    idx = idx_;
}

unsigned short DynamicAddr::GetUniq() const {
    MXR_METHOD_FRAME("GetUniq", 0);
    return uniq;
}

void DynamicAddr::SetUniq(unsigned short uniq_) {
    MXR_METHOD_FRAME("SetUniq", 1);
    uniq = uniq_;
}

BaseMsgRcvr* DynamicAddr::GetMsgRcvrAddr() const {
    MXR_METHOD_FRAME("GetMsgRcvrAddr", 0);
    if (!IsCorrectProcess()) return BaseAddr::GetMsgRcvrAddr();
    return DynamicAddrEnt::LookUpRow(idx, uniq);
}
