// The socket agent's one receiver: registered under the logical name
// COMMAGENTMSGRCVR, it registers the agent with the administrator (kind TLI)
// when it is built, keeps the tag it is given, and serves the
// administrator's add-host and delete-host requests. Adding a path starts
// its listen and its connect set-ups and never waits for a socket; deleting
// closes at most one thing per direction of the path.
#pragma once

#include "CommAgentMsgRcvr.h"
#include "LogicalAddrEnt.h"
#include "SockNetConfig.h"
#include "bStr.h"

class SOCKCAMsgRcvr : public CommAgentMsgRcvr {
    MXR_LOCAL_CLASS(SOCKCAMsgRcvr, CommAgentMsgRcvr);

public:
    SOCKCAMsgRcvr();
    // alias without text: this system's host name.
    SOCKCAMsgRcvr(SockNetConfig* netConfig, const bStr& alias);
    ~SOCKCAMsgRcvr() override;

    // The registration's answer sets the tag; anything else not processed.
    enMsgResult DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    int AddHost(DestHostEntPtr path) override;
    // 0 when one thing was closed in each direction, else -1.
    int DeleteHost(DestHostEntPtr path) override;

    bStr GetLocalAlias() const;
    SockNetConfig* GetNetConfigP() const;

private:
    SockNetConfig* NetConfigP = nullptr;
    bStr LocalAlias;
    LogicalAddrEntPtr SockCAMsgRcvrLogicalEntPtr;
    DestHostEntLst CommPathLst;
};
MXR_COMPANIONS(SOCKCAMsgRcvr);
