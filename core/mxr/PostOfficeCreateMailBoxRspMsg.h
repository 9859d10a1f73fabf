// The answer to PostOfficeCreateMailBoxReqMsg.
// retVal: 0 created; 1 a mailbox of that name exists (it is kept as it is).
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeCreateMailBoxReqMsg.h"

class PostOfficeCreateMailBoxRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeCreateMailBoxRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    PostOfficeCreateMailBoxRspMsg();
    // Addressed to the request's from-address; retVal is
    // set by whoever answers.
    explicit PostOfficeCreateMailBoxRspMsg(const PostOfficeCreateMailBoxReqMsg& req);
    ~PostOfficeCreateMailBoxRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(PostOfficeCreateMailBoxRspMsg);
