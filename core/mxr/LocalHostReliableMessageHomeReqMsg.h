// Asks the local host receiver to send a message on from inside the manager.
// The wrapped message travels whole (nested object) and keeps its own
// addresses.
#pragma once

#include "BaseReqMsg.h"

class LocalHostReliableMessageHomeReqMsg : public BaseReqMsg {
    MXR_CLASS(LocalHostReliableMessageHomeReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("theMsg", TheMsg));

public:
    // No message (the factory's instance).
    LocalHostReliableMessageHomeReqMsg();
    // From-address: the receiver being dispatched, if any; then TheMsg and
    // the to-address.
    LocalHostReliableMessageHomeReqMsg(const BaseAddrPtr& to, BaseMsgPtr msg);
    ~LocalHostReliableMessageHomeReqMsg() override;

    BaseMsgPtr GetTheMsg() const;

private:
    BaseMsgPtr TheMsg;
};
MXR_COMPANION_PTR(LocalHostReliableMessageHomeReqMsg);
