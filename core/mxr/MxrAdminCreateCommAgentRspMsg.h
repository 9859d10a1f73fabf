// The answer to MxrAdminCreateCommAgentReqMsg: retVal 0 a matching agent is
// alive, 1 none registered in time.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminCreateCommAgentReqMsg.h"

class MxrAdminCreateCommAgentRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminCreateCommAgentRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    MxrAdminCreateCommAgentRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminCreateCommAgentRspMsg(const MxrAdminCreateCommAgentReqMsg& req);
    ~MxrAdminCreateCommAgentRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(MxrAdminCreateCommAgentRspMsg);
