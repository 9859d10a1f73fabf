// A message receiver: anything messages can be addressed to. Construction
// gives it a row in the dynamic address table and its own DynamicAddr; the
// row is freed when it goes, so addresses of it resolve to nothing after.
//
// Handling has two stages: ReceiveMsg calls MsgHdlr (slot 7), and when that
// declines the message, DfltMsgHdlr (slot 8). A subclass's MsgHdlr tests the
// message's class in a fixed order with IsOfType, handles the first match and
// answers PROCESSED, else returns its base's MsgHdlr.
//
// The dispatch in progress (receiver and message) is kept per thread: a
// request made on a thread that is not dispatching carries no from-address.
#pragma once

#include "BaseEnumCvt.h"
#include "BaseMsg.h"
#include "ClassPattern.h"
#include "DynamicAddr.h"
#include "DynamicAddrEnt.h"

class BaseMsgRcvr : public BaseVirtItem {
    MXR_LOCAL_CLASS(BaseMsgRcvr, BaseVirtItem);
    MXR_FIELDS(MXR_FIELD("addrPtr", addrPtr));

public:
    // 4 bytes on the wire; no 0.
    enum enMsgResult : int {
        NOTPROCESSED = 1,  // the handler did not take the message
        PROCESSED = 2,     // the handler took it
    };
    static BaseEnumCvtPtr GetEnMsgResultCvtPtr();

    // Takes a dynamic row and makes the receiver's address.
    BaseMsgRcvr();
    // A copy is a new receiver: a row and an address of its own.
    BaseMsgRcvr(const BaseMsgRcvr& o);
    BaseMsgRcvr& operator=(const BaseMsgRcvr& o);
    ~BaseMsgRcvr() override;

    // The receiver's own address: the reply address of its requests and
    // timers, and what it registers a well-known name with.
    DynamicAddrPtr& GetAddrPtr();

    // The two stages, with this receiver and msg as the dispatch in progress;
    // the previous dispatch context is restored afterwards.
    enMsgResult ReceiveMsg(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl);

    // slot 7: NOTPROCESSED.
    virtual enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl);
    // slot 8: NOTPROCESSED.
    virtual enMsgResult DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl);

    // The dispatch in progress on the calling thread: null and empty outside.
    static BaseMsgRcvr* GetCurrentMsgRcvr();
    static BaseMsgPtr GetCurrentMsg();

private:
    void TakeRow();

    DynamicAddrEntPtr dynamicAddrEntPtr;  // the only reference to the row
    DynamicAddrPtr addrPtr;
};
MXR_COMPANIONS(BaseMsgRcvr);
