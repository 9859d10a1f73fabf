// The base of the one receiver in each communication agent process that the
// administrator talks to (logical name COMMAGENTMSGRCVR, 8, in the agent's
// process and thread; registering the name is the derived class's job). It
// turns an add-host or delete-host request into a call of the agent's
// AddHost or DeleteHost and answers the requester with the result. It also
// keeps the tag the administrator gave the agent at registration, which the
// agent quotes in its reports. Its forms are the plain receiver's.
#pragma once

#include "BaseMsgRcvr.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"
#include "CommAgentMsgRcvrDeleteHostReqMsg.h"
#include "DestHostEnt.h"

class CommAgentMsgRcvr : public BaseMsgRcvr {
    MXR_ABSTRACT_CLASS(CommAgentMsgRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    CommAgentMsgRcvr();
    ~CommAgentMsgRcvr() override;

    int GetCommAgentTagNum() const;
    void SetCommAgentTagNum(int tag);

    // An add-host or delete-host request is answered once, after the
    // operation returned, with its result as retVal, to the request's
    // from-address: PROCESSED. Anything else: the plain receiver's answer.
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;

    // Start serving the path (on the loop thread: must not block); the result
    // goes back as retVal.
    virtual int AddHost(DestHostEntPtr path) = 0;
    // Stop serving the path; the result goes back as retVal.
    virtual int DeleteHost(DestHostEntPtr path) = 0;

private:
    int CommAgentTagNum = 0;
};
MXR_COMPANION_PTR(CommAgentMsgRcvr);
