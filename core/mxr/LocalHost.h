// The local host receiver a manager process may keep beside its post office,
// reached as logical name MXRLOCALHOST (6). Its one service, the reliable
// message home: a client wraps any message in a
// LocalHostReliableMessageHomeReqMsg; the receiver sends the message on from
// inside the manager and answers whether it could.
//
// Binary form: class code and the receiver part; s-expression (LocalHost).
#pragma once

#include "BaseMsgRcvr.h"
#include "LogicalAddrEnt.h"

class LocalHost : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(LocalHost, BaseMsgRcvr);
    MXR_FIELDS();

public:
    // Registers the receiver as logical name 6 for its life.
    LocalHost();
    ~LocalHost() override;
    LocalHost(const LocalHost&) = delete;
    LocalHost& operator=(const LocalHost&) = delete;

    LogicalAddrEntPtr GetLocalHostLogicalEntPtr() const;
    void SetLocalHostLogicalEntPtr(LogicalAddrEntPtr entry);

    // Sends msg on to its own to-address: 1 sent; 0 not a message, or its
    // to-address resolves to no receiver here (it would only be dropped).
    int ReliableMessageHome(BaseMsgPtr msg);

    // The reliable message home request; anything else as a plain receiver.
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;

private:
    LogicalAddrEntPtr LocalHostLogicalEntPtr;
};
MXR_COMPANION_PTR(LocalHost);
