// The agent's answer to CommAgentMsgRcvrDeleteHostReqMsg: retVal is what its
// DeleteHost returned.
#pragma once

#include "BaseRspMsg.h"
#include "CommAgentMsgRcvrDeleteHostReqMsg.h"

class CommAgentMsgRcvrDeleteHostRspMsg : public BaseRspMsg {
    MXR_CLASS(CommAgentMsgRcvrDeleteHostRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    CommAgentMsgRcvrDeleteHostRspMsg();
    // Addressed to the request's from-address.
    explicit CommAgentMsgRcvrDeleteHostRspMsg(const CommAgentMsgRcvrDeleteHostReqMsg& req);
    ~CommAgentMsgRcvrDeleteHostRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(CommAgentMsgRcvrDeleteHostRspMsg);
