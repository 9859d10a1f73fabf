// The answer to MxrAdminRegisterCommAgentReqMsg: retVal is the agent's tag.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"

class MxrAdminRegisterCommAgentRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminRegisterCommAgentRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    MxrAdminRegisterCommAgentRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminRegisterCommAgentRspMsg(const MxrAdminRegisterCommAgentReqMsg& req);
    ~MxrAdminRegisterCommAgentRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(MxrAdminRegisterCommAgentRspMsg);
