// The answer to MxrAdminDeleteCommPathReqMsg: retVal 0 the agent let the path
// go, 1 unknown host, agent or path, or no answer in time.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminDeleteCommPathReqMsg.h"

class MxrAdminDeleteCommPathRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminDeleteCommPathRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    MxrAdminDeleteCommPathRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminDeleteCommPathRspMsg(const MxrAdminDeleteCommPathReqMsg& req);
    ~MxrAdminDeleteCommPathRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(MxrAdminDeleteCommPathRspMsg);
