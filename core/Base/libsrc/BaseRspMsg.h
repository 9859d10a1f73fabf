// A response: built from its request and addressed to the request's
// from-address (XRspMsg(const XReqMsg& req)). Concrete responses add their
// results behind the base part, retVal (4-byte int, key "retVal") first
// where they have one.
#pragma once

#include "BaseMsg.h"

class BaseRspMsg : public BaseMsg {
    MXR_CLASS(BaseRspMsg, BaseMsg);
    MXR_FIELDS();

public:
    BaseRspMsg();
    ~BaseRspMsg() override;
};
MXR_COMPANIONS(BaseRspMsg);
