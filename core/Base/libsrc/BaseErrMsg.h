// The answer to a request that could not be delivered: the event loop sends
// it to the request's from-address. It carries nothing but its to-address.
#pragma once

#include "BaseMsg.h"

class BaseErrMsg : public BaseMsg {
    MXR_CLASS(BaseErrMsg, BaseMsg);
    MXR_FIELDS();

public:
    BaseErrMsg();
    explicit BaseErrMsg(const BaseAddrPtr& to);
    ~BaseErrMsg() override;
};
MXR_COMPANIONS(BaseErrMsg);
