// The answer to PostOfficeIsMboxEmptyReqMsg.
// retVal: 0 no message waiting; 1 messages waiting; -1 no such mailbox.
#pragma once

#include "BaseRspMsg.h"
#include "PostOfficeIsMboxEmptyReqMsg.h"

class PostOfficeIsMboxEmptyRspMsg : public BaseRspMsg {
    MXR_CLASS(PostOfficeIsMboxEmptyRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    PostOfficeIsMboxEmptyRspMsg();
    // Addressed to the request's from-address; retVal is
    // set by whoever answers.
    explicit PostOfficeIsMboxEmptyRspMsg(const PostOfficeIsMboxEmptyReqMsg& req);
    ~PostOfficeIsMboxEmptyRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(PostOfficeIsMboxEmptyRspMsg);
