#include "TTYPktCtrl.h"

#include <new>

#include "ClassDefine.h"
#include "MxrAssert.h"
#include "TTYPktBufr.h"

MXR_LOCAL_CLASS_DEFINE(TTYPktCtrl);

TTYPktCtrl::TTYPktCtrl() { MXR_METHOD_FRAME("TTYPktCtrl", 0); }

TTYPktCtrl::TTYPktCtrl(const BasePktBufrPtr& first) : PipePktCtrl(first) { MXR_METHOD_FRAME("TTYPktCtrl", 1); }

TTYPktCtrl::~TTYPktCtrl() { MXR_METHOD_FRAME("~TTYPktCtrl", 0); }

BasePktBufrPtr TTYPktCtrl::GetNewPktBufr() {
    MXR_METHOD_FRAME("GetNewPktBufr", 0);
    TTYPktBufr* pkt = new (std::nothrow) TTYPktBufr();
    MXR_ASSERT(pkt != nullptr, "pkt != 0", "TTYPktCtrl");
    pkt->SetPktCtrlId(GetPktCtrlId());
    pkt->SetMaxPktSize(GetMaxPktSize());
    return BasePktBufrPtr(pkt);
}
