// The message a receiver arms a one-shot timer with while it waits for a
// response: the timer sends it to the receiver's own address when the time
// runs out. It carries nothing but its to-address.
#pragma once

#include "BaseMsg.h"

class GenericTimeoutMsg : public BaseMsg {
    MXR_CLASS(GenericTimeoutMsg, BaseMsg);
    MXR_FIELDS();

public:
    GenericTimeoutMsg();
    explicit GenericTimeoutMsg(BaseAddrPtr to);
    ~GenericTimeoutMsg() override;
};
MXR_COMPANIONS(GenericTimeoutMsg);
