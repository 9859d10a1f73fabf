// The answer to PostOfficeDisplayMailBoxLstReqMsg.
// retVal: 0 always; msgPtr holds a Message whose data string is the listing.
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeDisplayMailBoxLstReqMsg.h"

class PostOfficeDisplayMailBoxLstRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeDisplayMailBoxLstRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal), MXR_FIELD("msgPtr", msgPtr));

public:
    // Empty fields (the factory's instance).
    PostOfficeDisplayMailBoxLstRspMsg();
    // Addressed to the request's from-address; retVal is
    // set by whoever answers.
    explicit PostOfficeDisplayMailBoxLstRspMsg(const PostOfficeDisplayMailBoxLstReqMsg& req);
    ~PostOfficeDisplayMailBoxLstRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);
    // The carried object (null when retVal is not 0).
    BaseMsgPtr& GetMsgPtr();
    void SetMsgPtr(const BaseMsgPtr& msg);

private:
    int retVal = 0;
    BaseMsgPtr msgPtr;
};
MXR_COMPANION_PTR(PostOfficeDisplayMailBoxLstRspMsg);
