// Tells an agent's receiver (logical name 8 in the agent's process) to start
// serving a path; carries the administrator's own record of it.
#pragma once

#include "BaseReqMsg.h"
#include "DestHostEnt.h"

class CommAgentMsgRcvrAddHostReqMsg : public BaseReqMsg {
    MXR_CLASS(CommAgentMsgRcvrAddHostReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("commPathPtr", commPathPtr));

public:
    // Empty fields (the factory's instance).
    CommAgentMsgRcvrAddHostReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    CommAgentMsgRcvrAddHostReqMsg(const BaseAddrPtr& to, const DestHostEntPtr& commPathPtr_);
    ~CommAgentMsgRcvrAddHostReqMsg() override;

    DestHostEntPtr GetCommPathPtr() const;

private:
    DestHostEntPtr commPathPtr;
};
MXR_COMPANION_PTR(CommAgentMsgRcvrAddHostReqMsg);
