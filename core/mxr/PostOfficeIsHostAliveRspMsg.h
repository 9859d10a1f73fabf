// The answer to PostOfficeIsHostAliveReqMsg.
// retVal: 0 the host can be reached; 1 it cannot.
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeIsHostAliveReqMsg.h"

class PostOfficeIsHostAliveRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeIsHostAliveRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    PostOfficeIsHostAliveRspMsg();
    // Addressed to the request's from-address; retVal is
    // set by whoever answers.
    explicit PostOfficeIsHostAliveRspMsg(const PostOfficeIsHostAliveReqMsg& req);
    ~PostOfficeIsHostAliveRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(PostOfficeIsHostAliveRspMsg);
