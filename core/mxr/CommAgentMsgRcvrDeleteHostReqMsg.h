// Tells an agent's receiver to stop serving a path.
#pragma once

#include "BaseReqMsg.h"
#include "DestHostEnt.h"

class CommAgentMsgRcvrDeleteHostReqMsg : public BaseReqMsg {
    MXR_CLASS(CommAgentMsgRcvrDeleteHostReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("commPathPtr", commPathPtr));

public:
    // Empty fields (the factory's instance).
    CommAgentMsgRcvrDeleteHostReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    CommAgentMsgRcvrDeleteHostReqMsg(const BaseAddrPtr& to, const DestHostEntPtr& commPathPtr_);
    ~CommAgentMsgRcvrDeleteHostReqMsg() override;

    DestHostEntPtr GetCommPathPtr() const;

private:
    DestHostEntPtr commPathPtr;
};
MXR_COMPANION_PTR(CommAgentMsgRcvrDeleteHostReqMsg);
