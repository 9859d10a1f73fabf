// Ask whether a host can be reached from this host's manager.
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class PostOfficeIsHostAliveReqMsg : public BaseReqMsg {
    MXR_CLASS(PostOfficeIsHostAliveReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("hostName", hostName));

public:
    // Empty fields (the factory's instance).
    PostOfficeIsHostAliveReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    PostOfficeIsHostAliveReqMsg(const BaseAddrPtr& to, bStr hostName_);
    ~PostOfficeIsHostAliveReqMsg() override;

    bStr GetHostName() const;

private:
    bStr hostName;
};
MXR_COMPANION_PTR(PostOfficeIsHostAliveReqMsg);
