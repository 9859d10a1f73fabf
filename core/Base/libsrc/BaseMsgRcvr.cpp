#include "BaseMsgRcvr.h"

#include "BaseAddrEnt.h"
#include "ClassDefine.h"
#include "MxrAssert.h"
#include "SeqEnumCvt.h"

MXR_LOCAL_CLASS_DEFINE(BaseMsgRcvr);

namespace {
const EnumCvtEnt enMsgResultTbl[] = {
    {BaseMsgRcvr::NOTPROCESSED, "NOTPROCESSED"},
    {BaseMsgRcvr::PROCESSED, "PROCESSED"},
};
const int enMsgResultTblSz = static_cast<int>(sizeof enMsgResultTbl / sizeof enMsgResultTbl[0]);

// The dispatch in progress on this thread.
constinit thread_local BaseMsgRcvr* currentMsgRcvr __attribute__((tls_model("initial-exec"))) = nullptr;
// Held by the ReceiveMsg frame that set it, for as long as it is current.
constinit thread_local BaseMsg* currentMsg __attribute__((tls_model("initial-exec"))) = nullptr;
}  // namespace

BaseEnumCvtPtr BaseMsgRcvr::GetEnMsgResultCvtPtr() {
    MXR_FRAME("BaseMsgRcvr", "GetEnMsgResultCvtPtr", 0, "BaseMsgRcvr.c");
    return SeqEnumCvt::Create(enMsgResultTbl, enMsgResultTblSz);
}

BaseMsgRcvr::BaseMsgRcvr() {
    MXR_METHOD_FRAME("BaseMsgRcvr", 0);
    TakeRow();
}

BaseMsgRcvr::BaseMsgRcvr(const BaseMsgRcvr& o) : BaseVirtItem(o) {
    MXR_METHOD_FRAME("BaseMsgRcvr", 1);
    TakeRow();
}

BaseMsgRcvr& BaseMsgRcvr::operator=(const BaseMsgRcvr& o) {
    // The row and the address belong to this receiver, not to its value.
    MXR_METHOD_FRAME("operator=", 1);
    static_cast<void>(o);
    return *this;
}

void BaseMsgRcvr::TakeRow() {
    MXR_METHOD_FRAME("TakeRow", 0);
    dynamicAddrEntPtr = new DynamicAddrEnt(this);
    addrPtr = new DynamicAddr(dynamicAddrEntPtr->GetIdx(), dynamicAddrEntPtr->GetUniq());
}

BaseMsgRcvr::~BaseMsgRcvr() {
    MXR_METHOD_FRAME("~BaseMsgRcvr", 0);
    // Nothing may reach this receiver any more, whoever still holds its row
    // or a route through it.
    if (dynamicAddrEntPtr.GetPtr() != nullptr) dynamicAddrEntPtr->FreeRow();
    BaseAddrEnt::ForgetMsgRcvr(this);
    if (currentMsgRcvr == this) currentMsgRcvr = nullptr;
}

DynamicAddrPtr& BaseMsgRcvr::GetAddrPtr() {
    MXR_METHOD_FRAME("GetAddrPtr", 0);
    return addrPtr;
}

BaseMsgRcvr::enMsgResult BaseMsgRcvr::ReceiveMsg(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("ReceiveMsg", 2);
    // A receiver held through pointers may release itself while it handles
    // a message (a finished state machine leaves its owner's list): it stays
    // alive until both stages are done. One that nobody counts (a member of
    // a larger object) is not touched.
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    // Counted, so the message outlives the call whatever its sender drops.
    const BaseMsgPtr held(msg);
    BaseMsgRcvr* const savedRcvr = currentMsgRcvr;
    BaseMsg* const savedMsg = currentMsg;
    currentMsgRcvr = this;
    currentMsg = held.GetPtr();
    enMsgResult result = MsgHdlr(held, ctrl);
    if (result == NOTPROCESSED) result = DfltMsgHdlr(held, ctrl);
    currentMsg = savedMsg;
    currentMsgRcvr = savedRcvr;
    return result;
}

BaseMsgRcvr::enMsgResult BaseMsgRcvr::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    static_cast<void>(msg);
    static_cast<void>(ctrl);
    return NOTPROCESSED;
}

BaseMsgRcvr::enMsgResult BaseMsgRcvr::DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("DfltMsgHdlr", 2);
    static_cast<void>(msg);
    static_cast<void>(ctrl);
    return NOTPROCESSED;
}

BaseMsgRcvr* BaseMsgRcvr::GetCurrentMsgRcvr() {
    MXR_FRAME("BaseMsgRcvr", "GetCurrentMsgRcvr", 0, "BaseMsgRcvr.c");
    return currentMsgRcvr;
}

BaseMsgPtr BaseMsgRcvr::GetCurrentMsg() {
    MXR_FRAME("BaseMsgRcvr", "GetCurrentMsg", 0, "BaseMsgRcvr.c");
    return BaseMsgPtr(currentMsg);
}
