// The agent's answer to CommAgentMsgRcvrAddHostReqMsg: retVal is what its
// AddHost returned.
#pragma once

#include "BaseRspMsg.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"

class CommAgentMsgRcvrAddHostRspMsg : public BaseRspMsg {
    MXR_CLASS(CommAgentMsgRcvrAddHostRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    CommAgentMsgRcvrAddHostRspMsg();
    // Addressed to the request's from-address.
    explicit CommAgentMsgRcvrAddHostRspMsg(const CommAgentMsgRcvrAddHostReqMsg& req);
    ~CommAgentMsgRcvrAddHostRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(CommAgentMsgRcvrAddHostRspMsg);
