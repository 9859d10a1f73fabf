// The answer class of MxrAdminDeleteCommAgentReqMsg: decodable, sent by no one.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminDeleteCommAgentReqMsg.h"

class MxrAdminDeleteCommAgentRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminDeleteCommAgentRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    MxrAdminDeleteCommAgentRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminDeleteCommAgentRspMsg(const MxrAdminDeleteCommAgentReqMsg& req);
    ~MxrAdminDeleteCommAgentRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(MxrAdminDeleteCommAgentRspMsg);
